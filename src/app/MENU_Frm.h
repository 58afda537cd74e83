#pragma once

#include "forms/Form.h"
#include "forms/ShowHandOver.h"

#include <array>

class FileDrop;
class OpenSaveDialog;
class PictureButton;
class HiddenTextField;

// The main menu. It also carries the hidden hand-over field through which every caller names the
// show that the player is to play.
class MENU_Frm : public Form, public ShowHandOver {
    Q_OBJECT
public:
    explicit MENU_Frm(Forms& owner);

    void Form_Load() override;
    void Form_Activate() override;
    void Form_Unload() override;
    void showForm() override;
    QString handOverText() const override;
    void setHandOverText(const QString& text) override;

    void Open_Folder_Btn_Click();
    void Make_File_Btn_Click();
    void Open_File_Btn_Click();
    void About_Btn_Click();
    // Files dropped on the menu from a file manager: the first show among them is played.
    void Form_OLEDragDrop(const QStringList& dropped);
    void Open_Folder_Btn_GotFocus() { FocusedButton = 0; }
    void Make_File_Btn_GotFocus() { FocusedButton = 1; }
    void Open_File_Btn_GotFocus() { FocusedButton = 2; }
    void About_Btn_GotFocus() { FocusedButton = 3; }

    // The button that last had the focus: 0 folder, 1 make, 2 open, 3 about.
    qint16 FocusedButton = 0;

private:
    // Tests reach the controls through their driver, which works them as a person does.
    friend class MenuDriver;

    PictureButton* Open_Folder_Btn;
    PictureButton* Make_File_Btn;
    PictureButton* Open_File_Btn;
    HiddenTextField* Open_File_Path_Txt;
    PictureButton* About_Btn;
    OpenSaveDialog* Dialog1;

    // The four buttons by their number in FocusedButton.
    std::array<PictureButton*, 4> buttons() const;
    PictureButton* rememberedButton() const;
    // Hides the menu for a window that replaces it, or keeps it when that window cannot open.
    void replaceBy(FormId id);

    FileDrop* drop_ = nullptr;
};
