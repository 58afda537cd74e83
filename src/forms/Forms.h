#pragma once

#include "forms/Form.h"
#include "show/BrowserState.h"
#include "show/PlayerState.h"
#include "show/ShowState.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <set>

namespace desktop {
class Desktop;
}
class Music;
class QWindow;
class ShowHandOver;

// Owns the program's windows: creates each on first use through the factory registered for its
// FormId, knows which are loaded, runs their load/activate/unload handlers, and ends the program
// when the last one is unloaded. It knows no window's class. It also keeps the state that must
// survive a window being closed and opened again.
//
// Adding a window: its files, and one registerForm line in app/FormRegistry.cpp.
class Forms : public QObject {
    Q_OBJECT
public:
    using Factory = std::function<Form*(Forms&)>;

    explicit Forms(desktop::Desktop& desktop);
    ~Forms() override;

    // How the window of `id` is made; a later call for the same id replaces the earlier factory.
    void registerForm(FormId id, Factory factory);

    desktop::Desktop& desktop() { return desktop_; }
    // Set for a show started from the command line: its end ends the program rather than bringing
    // the menu up for a moment.
    bool showEndsProgram() const { return showEndsProgram_; }
    void setShowEndsProgram(bool ends) { showEndsProgram_ = ends; }
    PlayerState& playerState() { return playerState_; }
    ShowState& showState() { return showState_; }
    BrowserState& browserState() { return browserState_; }
    // The show's music outlives the player window: it is stopped, not released, when a show ends.
    Music& music();

    bool isLoaded(FormId id) const;
    Form* form(FormId id) const;
    // The loaded form of `id` as its own class; null when it is not loaded or is of another class.
    template <class T> T* as(FormId id) const { return qobject_cast<T*>(form(id)); }
    // The form, created and loaded (but not shown) when it is not loaded yet; null for a window with
    // no factory, or while the program is ending.
    Form* load(FormId id);
    // Loads the form if needed and shows it. Returns it, or null when it closed while loading.
    Form* show(FormId id);
    void hide(FormId id);
    // Runs Form_Unload and removes the form; ends the program when it was the last one.
    void unload(FormId id);

    // The show hand-over field of the menu. Writing loads the menu, hidden, when it is not loaded;
    // reading does too, and gives an empty text when there is no menu.
    void setHandOver(const QString& showPath);
    QString handOver();
    // Hands a show file to the player through the hand-over field and opens the player. The one way
    // a show starts.
    void playShow(const QString& showPath);

    // What happens when the last window is gone; the default quits the event loop.
    std::function<void()> onLastWindowGone;

    // A window of the program destroyed by another program: its form closes as by its close box,
    // once the boxes and file dialogs open over it are dismissed as by Escape; one that stays open
    // comes back on screen in a new window. A box or dialog destroyed counts as Escape on it.
    // Anything else is ignored.
    void windowDestroyedOutside(quintptr windowId);

protected:
    // The close box of every form: leave through unload, so that Form_Unload runs and the program
    // ends with its last window.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The user's close of a form (close box, window manager): true when the form was unloaded.
    bool closeAsUser(Form* f);
    // Dismisses the boxes and file dialogs open over `f` as Escape would and runs `then` once every
    // one of them has returned to the code that opened it, at once when none is open. Each box runs
    // an event loop on top of the form's own code, and is the form's child: the form may go only
    // when those loops are gone, or its code and its box would be freed under them.
    void afterBoxesOf(Form* f, std::function<void()> then);
    ShowHandOver* handOverField();
    void focusWindowChanged(QWindow* window);

    desktop::Desktop& desktop_;
    bool showEndsProgram_ = false;
    PlayerState playerState_;
    ShowState showState_;
    BrowserState browserState_;
    std::unique_ptr<Music> music_;
    std::map<FormId, Factory> factories_;
    std::map<FormId, QPointer<Form>> forms_;
    QPointer<Form> lastActive_;
    std::set<FormId> unloading_;
};
