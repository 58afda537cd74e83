#pragma once

#include "app/Form.h"

class QLineEdit;

// The main menu. It also carries the hidden hand-over field through which every caller names the
// show that the player is to play.
class MENU_Frm : public Form {
    Q_OBJECT
public:
    explicit MENU_Frm(Forms& owner);

    void Form_Load() override;
    void Form_Activate() override;
    void Form_Unload() override;

    QLineEdit* Open_File_Path_Txt;
    qint16 FocusedButton = 0;
};
