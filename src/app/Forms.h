#pragma once

#include "app/Form.h"
#include "player/PlayerState.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <set>

namespace desktop {
class Desktop;
}
class MENU_Frm;
class Music;
class Main_Frm;
class QWindow;

// Owns the program's windows: creates each on first use, knows which are loaded, runs their
// load/activate/unload handlers, and ends the program when the last one is unloaded. It also keeps
// the state that must survive a window being closed and opened again.
class Forms : public QObject {
    Q_OBJECT
public:
    Forms(desktop::Desktop& desktop, QString commandLine);
    ~Forms() override;

    // The program's one window owner (set while a Forms object exists).
    static Forms* instance();

    desktop::Desktop& desktop() { return desktop_; }
    const QString& commandLine() const { return commandLine_; }
    PlayerState& playerState() { return playerState_; }
    ShowState& showState() { return showState_; }
    // The show's music outlives the player window: it is stopped, not released, when a show ends.
    Music& music();

    // The program entry: the menu for an empty command line, otherwise the show it names.
    void start();

    bool isLoaded(FormId id) const;
    Form* form(FormId id) const;
    // The form, created and loaded (but not shown) when it is not loaded yet; null for a window this
    // build does not have, or while the program is ending.
    Form* load(FormId id);
    // Loads the form if needed and shows it. Returns it, or null when it closed while loading.
    Form* show(FormId id);
    void hide(FormId id);
    // Runs Form_Unload and removes the form; ends the program when it was the last one.
    void unload(FormId id);

    MENU_Frm* menu(); // loads the menu (hidden) when needed
    Main_Frm* player() const;
    // Hands a show file to the player through the menu's hand-over field and opens the player.
    void playShow(const QString& showPath);

    // What happens when the last window is gone; the default quits the event loop.
    std::function<void()> onLastWindowGone;

private:
    Form* create(FormId id);
    void focusWindowChanged(QWindow* window);

    desktop::Desktop& desktop_;
    QString commandLine_;
    PlayerState playerState_;
    ShowState showState_;
    std::unique_ptr<Music> music_;
    std::map<FormId, QPointer<Form>> forms_;
    QPointer<Form> lastActive_;
    std::set<FormId> unloading_;
};
