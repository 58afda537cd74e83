#include "app/Forms.h"

#include "app/About_Frm.h"
#include "app/General.h"
#include "app/MENU_Frm.h"
#include "folder/Search_Frm.h"
#include "folder/Setup_Frm.h"
#include "platform/Desktop.h"
#include "player/Main_Frm.h"
#include "player/Music.h"

#include "app/HiddenTextField.h"
#include <QApplication>
#include <QWindow>

namespace {
Forms* theOwner = nullptr;
}

Forms::Forms(desktop::Desktop& desktop, QString commandLine)
    : desktop_(desktop), commandLine_(std::move(commandLine)) {
    theOwner = this;
    onLastWindowGone = [] { QCoreApplication::quit(); };
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &Forms::focusWindowChanged);
}

Forms::~Forms() {
    for (auto& [id, form] : forms_)
        delete form.data();
    forms_.clear();
    music_.reset();
    if (theOwner == this)
        theOwner = nullptr;
}

Music& Forms::music() {
    if (!music_)
        music_ = std::make_unique<Music>();
    return *music_;
}

Forms* Forms::instance() {
    return theOwner;
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

Form* Forms::create(FormId id) {
    switch (id) {
    case FormId::Menu:
        return new MENU_Frm(*this);
    case FormId::Player:
        return new Main_Frm(*this);
    case FormId::About:
        return new About_Frm(*this);
    case FormId::Setup:
        return new Setup_Frm(*this);
    case FormId::Search:
        return new Search_Frm(*this);
    case FormId::Maker:
        break;
    }
    return nullptr;
}

Form* Forms::load(FormId id) {
    if (unloading_.contains(id))
        return nullptr;
    if (Form* existing = form(id))
        return existing;
    Form* f = create(id);
    if (!f)
        return nullptr;
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

MENU_Frm* Forms::menu() {
    return static_cast<MENU_Frm*>(load(FormId::Menu));
}

Main_Frm* Forms::player() const {
    return static_cast<Main_Frm*>(form(FormId::Player));
}

void Forms::playShow(const QString& showPath) {
    MENU_Frm* m = menu();
    if (!m)
        return;
    m->Open_File_Path_Txt->setText(showPath);
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
