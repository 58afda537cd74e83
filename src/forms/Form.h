#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>

class Forms;

// Every window of the program, by the number the window owner knows it by.
enum class FormId { Menu, Player, Setup, Search, Maker, About };

// Base of every window of the program. The window owner creates a form through the factory the
// program registered for its FormId, runs Form_Load, and runs Form_Unload when the form closes,
// whether by its close box or from code.
//
// Control events are wired here, once, for every window: a window names the handler of each control
// with onClick, onDoubleClick, onFocus and onKeyDown instead of writing its own eventFilter. Option controls
// (check boxes, option buttons, scroll bars) are connected to the signals that also fire when code
// sets their value (toggled, valueChanged), never to clicked, so that restoring a value runs the same
// change handling as the user's change.
class Form : public QWidget {
    Q_OBJECT
public:
    Form(Forms& owner, FormId id);
    ~Form() override;

    virtual void Form_Load() {}
    // Runs when the form becomes the active one among the program's own windows.
    virtual void Form_Activate() {}
    virtual void Form_Unload() {}
    // Runs before Form_Unload when the user closes the window (its close box, the window manager's
    // close); false keeps the window open as it was. Unloads from code do not ask.
    virtual bool Form_QueryUnload() { return true; }
    // How the owner puts the form on screen.
    virtual void showForm() { show(); }

protected:
    using Handler = std::function<void()>;

    // A button's click is its clicked signal, so that Space and Enter click it too. On any other
    // control a click is the release of the left or right button inside the control it was pressed
    // on; that release goes no further, so a press on a control that ends elsewhere is nobody's click.
    void onClick(QWidget* control, Handler handler);
    // The control still gets the double-click for its own use, unless `consume`: a list whose
    // double-click removes an entry must not take it as a press on the entry that moved up.
    void onDoubleClick(QWidget* control, Handler handler, bool consume = false);
    // The focus coming back to the control it left, when a message box, a file dialog or another
    // program closes, is not a new focus and runs nothing, as Form_Activate does not run again.
    void onFocus(QWidget* control, Handler handler);
    // A key pressed on the control; the handler answers whether it used the key, which then goes no
    // further.
    using KeyHandler = std::function<bool(int key, Qt::KeyboardModifiers shift)>;
    void onKeyDown(QWidget* control, KeyHandler handler);

    bool eventFilter(QObject* watched, QEvent* event) override;

    Forms& forms_;

private:
    struct Hooks {
        Handler click;
        Handler doubleClick;
        bool consumeDoubleClick = false;
        Handler focus;
        KeyHandler keyDown;
    };
    Hooks& hooksOf(QWidget* control);

    FormId id_;
    std::map<QObject*, Hooks> hooks_;
    QPointer<QWidget> lastFocused_;

    friend class Forms;
};
