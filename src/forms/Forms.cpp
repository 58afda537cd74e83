#include "forms/Forms.h"

#include "forms/ShowHandOver.h"
#include "platform/Desktop.h"
#include "platform/ForeignDestroyWatch.h"
#include "platform/Music.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QWindow>

namespace {

// The message boxes and file dialogs on screen over `window` or one of its controls.
QList<QPointer<QDialog>> boxesOver(QWidget* window) {
    QList<QPointer<QDialog>> open;
    for (QDialog* box : window->findChildren<QDialog*>())
        if (box->isVisible())
            open << box;
    return open;
}

// What Escape does to the box: a file dialog is cancelled, a message box takes its escape button.
void escape(QDialog* box) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(box, &press);
    // A box that Escape does not close is closed all the same.
    if (box->isVisible())
        box->reject();
}

} // namespace

Forms::Forms(desktop::Desktop& desktop) : desktop_(desktop) {
    onLastWindowGone = [] { QCoreApplication::quit(); };
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &Forms::focusWindowChanged);
    // Queued: the native event that reports it is no place for message boxes.
    connect(new ForeignDestroyWatch(this), &ForeignDestroyWatch::windowDestroyed, this,
            &Forms::windowDestroyedOutside, Qt::QueuedConnection);
}

Forms::~Forms() {
    for (auto& [id, form] : forms_)
        delete form.data();
    forms_.clear();
    music_.reset();
}

void Forms::registerForm(FormId id, Factory factory) {
    factories_[id] = std::move(factory);
}

Music& Forms::music() {
    if (!music_)
        music_ = std::make_unique<Music>();
    return *music_;
}

bool Forms::isLoaded(FormId id) const {
    return form(id) != nullptr;
}

Form* Forms::form(FormId id) const {
    const auto it = forms_.find(id);
    return it == forms_.end() ? nullptr : it->second.data();
}

Form* Forms::load(FormId id) {
    if (unloading_.contains(id))
        return nullptr;
    if (Form* existing = form(id))
        return existing;
    const auto factory = factories_.find(id);
    if (factory == factories_.end() || !factory->second)
        return nullptr;
    Form* f = factory->second(*this);
    if (!f)
        return nullptr;
    f->installEventFilter(this);
    forms_[id] = f;
    f->Form_Load();
    return form(id); // a form may close itself while it loads
}

Form* Forms::show(FormId id) {
    Form* f = load(id);
    if (!f)
        return nullptr;
    f->showForm();
    f->raise();
    f->activateWindow();
    return f;
}

void Forms::hide(FormId id) {
    if (Form* f = form(id))
        f->hide();
}

void Forms::unload(FormId id) {
    Form* f = form(id);
    if (!f || unloading_.contains(id))
        return;
    unloading_.insert(id);
    f->Form_Unload();
    forms_.erase(id);
    unloading_.erase(id);
    if (lastActive_ == f)
        lastActive_ = nullptr;
    f->hide();
    // Unloaded from code under a box of its own (a timer's work while a question is open): the box
    // goes first.
    afterBoxesOf(f, [f = QPointer<Form>(f)] {
        if (f)
            f->deleteLater();
    });
    // Checked once control is back in the event loop: a window that closes in order to open another
    // (the menu before the about window) must not end the program.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (forms_.empty() && onLastWindowGone)
                onLastWindowGone();
        },
        Qt::QueuedConnection);
}

bool Forms::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close) {
        if (auto* f = qobject_cast<Form*>(watched); f && form(f->id_) == f) {
            event->ignore();
            closeAsUser(f);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

bool Forms::closeAsUser(Form* f) {
    const FormId id = f->id_;
    // The question may unload the form itself (a saved show played from it).
    if (f->Form_QueryUnload() && form(id) == f)
        unload(id);
    return form(id) != f;
}

void Forms::afterBoxesOf(Form* f, std::function<void()> then) {
    const QList<QPointer<QDialog>> open = boxesOver(f);
    if (open.isEmpty()) {
        then();
        return;
    }
    // Looked at again once the last of them has returned: the code after a box may open another.
    auto waiting = std::make_shared<qsizetype>(open.size());
    for (const QPointer<QDialog>& box : open) {
        connect(box, &QObject::destroyed, this, [this, waiting, f = QPointer<Form>(f), then] {
            if (--*waiting == 0)
                QMetaObject::invokeMethod(
                    this,
                    [this, f, then] {
                        if (f)
                            afterBoxesOf(f, then);
                        else
                            then();
                    },
                    Qt::QueuedConnection);
        });
    }
    for (const QPointer<QDialog>& box : open)
        if (box)
            escape(box);
}

void Forms::windowDestroyedOutside(quintptr windowId) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QDialog*>(w);
            box && box->isVisible() && box->internalWinId() == WId(windowId)) {
            escape(box);
            return;
        }
    }
    Form* gone = nullptr;
    for (const auto& [id, f] : forms_)
        if (f && f->isVisible() && f->internalWinId() == WId(windowId))
            gone = f;
    if (!gone)
        return;
    // Qt still counts the form as shown; without its dead window it can be shown again.
    gone->hide();
    gone->destroy();
    afterBoxesOf(gone, [this, gone = QPointer<Form>(gone)] {
        if (gone && form(gone->id_) == gone && !closeAsUser(gone))
            show(gone->id_);
    });
}

ShowHandOver* Forms::handOverField() {
    return dynamic_cast<ShowHandOver*>(load(FormId::Menu));
}

void Forms::setHandOver(const QString& showPath) {
    if (ShowHandOver* field = handOverField())
        field->setHandOverText(showPath);
}

QString Forms::handOver() {
    ShowHandOver* field = handOverField();
    return field ? field->handOverText() : QString();
}

void Forms::playShow(const QString& showPath) {
    ShowHandOver* field = handOverField();
    if (!field)
        return;
    field->setHandOverText(showPath);
    show(FormId::Player);
}

void Forms::focusWindowChanged(QWindow* window) {
    if (!window)
        return;
    for (auto& [id, f] : forms_) {
        if (f && f->windowHandle() == window) {
            // Focus coming back from a message box, a file dialog or another program is no activation.
            if (lastActive_ != f) {
                lastActive_ = f;
                f->Form_Activate();
            }
            return;
        }
    }
}
