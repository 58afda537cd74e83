#include "forms/Forms.h"

#include "forms/ShowHandOver.h"
#include "platform/Desktop.h"
#include "platform/General.h"
#include "platform/Music.h"

#include <QApplication>
#include <QCloseEvent>
#include <QWindow>

Forms::Forms(desktop::Desktop& desktop, QString commandLine)
    : desktop_(desktop), commandLine_(std::move(commandLine)) {
    onLastWindowGone = [] { QCoreApplication::quit(); };
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &Forms::focusWindowChanged);
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

void Forms::start() {
    if (commandLine_.isEmpty()) {
        show(FormId::Menu);
        return;
    }
    const QString path = general::Strip_Quotes(commandLine_);
    if (!general::File_Exists(path)) {
        desktop_.message(nullptr, {QStringLiteral("Error reading Command Line!"), QStringLiteral("Lumora"),
                                   desktop::Icon::Critical, desktop::Buttons::Ok});
        desktop_.endNow(1);
        return;
    }
    playShow(path);
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
    f->deleteLater();
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
            // The question may unload the form itself (a saved show played from it).
            if (f->Form_QueryUnload() && form(f->id_) == f)
                unload(f->id_);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
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
