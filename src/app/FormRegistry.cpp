#include "app/FormRegistry.h"

#include "app/About_Frm.h"
#include "app/MENU_Frm.h"
#include "forms/Forms.h"
#include "player/Main_Frm.h"

// One line a window. FormId::Setup, FormId::Search and FormId::Maker come with their windows.
void registerForms(Forms& forms) {
    forms.registerForm(FormId::Menu, [](Forms& f) { return new MENU_Frm(f); });
    forms.registerForm(FormId::Player, [](Forms& f) { return new Main_Frm(f); });
    forms.registerForm(FormId::About, [](Forms& f) { return new About_Frm(f); });
}
