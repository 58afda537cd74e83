#pragma once

class MENU_Frm;
class PictureButton;

// The main menu as a person works it: a click on each of its four buttons. Tests go through this,
// so that the menu's controls can change without editing tests across the tree.
class MenuDriver {
public:
    explicit MenuDriver(MENU_Frm* window = nullptr) : w_(window) {}

    // The window's own public side (close, the hand-over text, the remembered button, ...).
    MENU_Frm* operator->() const { return w_; }
    MENU_Frm* window() const { return w_; }
    explicit operator bool() const { return w_ != nullptr; }

    void openFolder();
    void makeShow();
    void openShow();
    void about();

    // The buttons themselves, for checks of focus, looks and drops.
    PictureButton* folderButton() const;
    PictureButton* makerButton() const;
    PictureButton* openButton() const;
    PictureButton* aboutButton() const;

private:
    MENU_Frm* w_;
};
