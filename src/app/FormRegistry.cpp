#include "app/FormRegistry.h"

#include "app/About_Frm.h"
#include "app/MENU_Frm.h"
#include "folder/Search_Frm.h"
#include "folder/Setup_Frm.h"
#include "forms/Forms.h"
#include "maker/Maker_Frm.h"
#include "player/Main_Frm.h"

// One line a window.
void registerForms(Forms& forms) {
    forms.registerForm(FormId::Menu, [](Forms& f) { return new MENU_Frm(f); });
    forms.registerForm(FormId::Player, [](Forms& f) { return new Main_Frm(f); });
    forms.registerForm(FormId::About, [](Forms& f) { return new About_Frm(f); });
    forms.registerForm(FormId::Setup, [](Forms& f) { return new Setup_Frm(f); });
    forms.registerForm(FormId::Search, [](Forms& f) { return new Search_Frm(f); });
    forms.registerForm(FormId::Maker, [](Forms& f) { return new Maker_Frm(f); });
}
