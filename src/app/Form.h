#pragma once

#include <QWidget>

class Forms;

enum class FormId { Menu, Player, Setup, Search, Maker, About };

// Base of every window of the program. The window owner creates a form, runs Form_Load, and runs
// Form_Unload when the form closes, whether by its close box or from code.
class Form : public QWidget {
    Q_OBJECT
public:
    Form(Forms& owner, FormId id);

    FormId formId() const { return id_; }

    virtual void Form_Load() {}
    // Runs when the form becomes the active one among the program's own windows.
    virtual void Form_Activate() {}
    virtual void Form_Unload() {}
    // How the owner puts the form on screen.
    virtual void showForm() { show(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    Forms& forms_;

private:
    FormId id_;
};
