#include "player/ShowSequence.h"

#include <utility>

QRect StepOutcome::area() const {
    const QRect placed = placement.pixels();
    if (picture.region.isEmpty())
        return placed;
    return picture.region.translated(placed.topLeft());
}

void ShowSequence::keepFirstForEnd() {
    source_.keepForEnd(!state_.loop && !list_.isEmpty() ? list_.first() : QString());
}

void ShowSequence::shuffle() {
    // Selection without replacement: each place takes a uniform draw among the entries left.
    // Swapping the drawn entry to the back keeps each draw O(1) for very long shows.
    QStringList drawn;
    drawn.reserve(list_.size());
    while (!list_.isEmpty()) {
        std::uniform_int_distribution<qsizetype> pick(0, list_.size() - 1);
        const qsizetype k = pick(state_.random);
        list_.swapItemsAt(k, list_.size() - 1);
        drawn << list_.takeLast();
    }
    list_ = std::move(drawn);
}

ShowSequence::Try ShowSequence::tryShow(qsizetype index, StepOutcome& outcome) {
    const QString& path = list_.at(index);
    // Until its picture has come the step stands where it was.
    if (waitNow_ != std::chrono::milliseconds::max() && !source_.awaitReady(path, geometry(), waitNow_))
        return Try::NotYet;
    state_.currentIndex = index;
    state_.currentPath = path;
    LoadedPicture picture = source_.load(state_.currentPath, geometry());
    if (!picture.ok)
        return Try::Failed;
    const auto placement =
        placeFor(picture.size, screen_, state_.stretch, state_.keepRatio, state_.whole, devicePixelRatio_);
    if (!placement)
        return Try::Failed;
    state_.failedCount = 0;
    outcome.picture = std::move(picture);
    outcome.placement = *placement;
    return Try::Shown;
}

StepOutcome ShowSequence::waitFor(Wait wait) {
    waiting_ = wait;
    StepOutcome outcome;
    outcome.kind = StepOutcome::Waiting;
    return outcome;
}

StepOutcome ShowSequence::resume() {
    if (!waiting_)
        return {};
    const Wait wait = *waiting_;
    waiting_.reset();
    waitNow_ = std::chrono::milliseconds(0);
    StepOutcome outcome = wait.timer ? showPics(wait.atEnd) : arrowStep(wait.direction, wait.tried);
    waitNow_ = pictureWait_;
    return outcome;
}

StepOutcome ShowSequence::Show_Pics() {
    // The timer's step while one waits: that one goes on.
    if (waiting_ && waiting_->timer)
        return resume();
    waiting_.reset();
    return showPics(false);
}

StepOutcome ShowSequence::showPics(bool atEnd) {
    StepOutcome outcome;
    const qsizetype n = list_.size();
    if (n == 0)
        return outcome;
    // Once a show without loop has left its last entry it is over, even when the first entries
    // after the wrap fail to load: the next picture that loads ends it. Otherwise a show whose
    // first picture is gone would start its round again for ever.
    for (;;) {
        atEnd = atEnd || (state_.currentIndex == n - 1 && !state_.loop);
        const qsizetype next = state_.currentIndex >= n - 1 ? 0 : state_.currentIndex + 1;
        switch (tryShow(next, outcome)) {
        case Try::Shown:
            outcome.kind = atEnd ? StepOutcome::ShownThenEnd : StepOutcome::Shown;
            return planned(std::move(outcome), +1);
        case Try::NotYet:
            return waitFor({+1, true, atEnd, 0, next});
        case Try::Failed:
            break;
        }
        if (state_.failedCount >= n) {
            outcome.kind = StepOutcome::NoValidPictures;
            return outcome;
        }
        ++state_.failedCount;
        if (!state_.loop && state_.currentIndex == n - 1) {
            outcome.kind = StepOutcome::EndedQuietly;
            return outcome;
        }
    }
}

StepOutcome ShowSequence::Next_Pic() {
    // While the key's own last step waits, a key held down goes on waiting with it, so that every
    // picture is seen. Pressed while the show's advance waits, the user moves on past that picture.
    if (waiting_ && !waiting_->timer && waiting_->direction > 0)
        return resume();
    if (waiting_)
        state_.currentIndex = waiting_->index;
    waiting_.reset();
    return arrowStep(+1);
}

StepOutcome ShowSequence::Prev_Pic() {
    waiting_.reset();
    return arrowStep(-1);
}

StepOutcome ShowSequence::arrowStep(int direction, qsizetype tried) {
    StepOutcome outcome;
    const qsizetype n = list_.size();
    if (n <= 1)
        return outcome;
    // The arrow keys step over failed loads without counting them towards the timer's message;
    // they give up after one whole round, when no entry can be shown any more.
    for (; tried < n; ++tried) {
        qsizetype next;
        bool atEnd = false;
        if (direction > 0) {
            atEnd = state_.currentIndex == n - 1 && !state_.loop;
            next = state_.currentIndex >= n - 1 ? 0 : state_.currentIndex + 1;
        } else {
            next = state_.currentIndex <= 0 ? n - 1 : state_.currentIndex - 1;
        }
        switch (tryShow(next, outcome)) {
        case Try::Shown:
            outcome.kind = atEnd ? StepOutcome::ShownThenEnd : StepOutcome::Shown;
            return planned(std::move(outcome), direction);
        case Try::NotYet:
            return waitFor({direction, false, atEnd, tried, next});
        case Try::Failed:
            break;
        }
        if (atEnd) {
            outcome.kind = StepOutcome::EndedQuietly;
            return outcome;
        }
    }
    outcome.kind = StepOutcome::NoValidPictures;
    return outcome;
}

StepOutcome ShowSequence::planned(StepOutcome outcome, int direction) {
    if (outcome.kind != StepOutcome::Shown)
        return outcome;
    if (planningHeld_)
        heldDirection_ = direction;
    else
        planAhead(direction);
    return outcome;
}

void ShowSequence::holdPlanning(bool hold) {
    if (hold == planningHeld_)
        return;
    planningHeld_ = hold;
    if (hold)
        return;
    if (heldDirection_ != 0)
        planAhead(heldDirection_);
    heldDirection_ = 0;
}

void ShowSequence::planAhead(int direction, int count) {
    const qsizetype n = list_.size();
    QStringList upcoming;
    qsizetype i = state_.currentIndex;
    for (qsizetype k = 0; k < std::min<qsizetype>(n, count); ++k) {
        const bool wraps = direction > 0 ? i >= n - 1 : i <= 0;
        if (direction > 0)
            i = wraps ? 0 : i + 1;
        else
            i = wraps ? n - 1 : i - 1;
        upcoming << list_.at(i);
        // A show without loop ends on the picture after its last entry: none beyond it is shown.
        if (wraps && direction > 0 && !state_.loop)
            break;
    }
    source_.planAhead(upcoming, geometry());
}

QString ShowSequence::removeCurrent() {
    if (state_.currentIndex < 0 || state_.currentIndex >= list_.size())
        return {};
    const QString path = list_.takeAt(state_.currentIndex);
    --state_.currentIndex;
    // A path may stand in the show more than once; its other entries simply decode again.
    source_.forget(path);
    return path;
}
