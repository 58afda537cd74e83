#pragma once

#include <QPoint>
#include <QStringList>

class FolderList;
class PictureBox;
class Setup_Frm;
class VolumeList;
class QWidget;

// The folder setup as a person works it: clicks and keys on the controls a person would use, and
// readings of what the window shows. Tests go through this, so that the window's controls can
// change without editing tests across the tree.
class SetupDriver {
public:
    explicit SetupDriver(Setup_Frm* window = nullptr) : w_(window) {}

    // The window's own public side (close, settings, geometry, ...).
    Setup_Frm* operator->() const { return w_; }
    Setup_Frm* window() const { return w_; }
    explicit operator bool() const { return w_ != nullptr; }

    // Goes to `folder` in the folder list, as a walk through its entries would; false when it
    // cannot be listed.
    bool chooseFolder(const QString& folder);
    QString folder() const;
    // Chooses the volume at `root` as the volume box's choice does; false when it is not listed.
    bool chooseVolume(const QString& root);
    QString volume() const;
    // The count below the folder list.
    QString count() const;
    // The pictures the hidden file list holds.
    QStringList files() const;
    bool fileListShown() const;
    void toggleSubfolders();
    bool subfolders() const;

    void setStretch(bool stretch);
    bool stretched() const;
    bool maintained() const;
    void setKeepRatio(bool keep);
    bool keepRatio() const;
    bool keepRatioEnabled() const;
    // Tabs onto the delay bar and steps it with the arrow keys from Home.
    void setDelay(int seconds);
    int delay() const;
    QString delayText() const;
    bool looped() const;
    bool shuffled() const;
    bool pauseMessage() const;
    qint32 colour() const;
    QString colourUnderPointer() const;
    // A click on the music box (a checked box opens the music dialog).
    void clickMusic();
    bool music() const;
    // A click on "Run Lumora".
    void run();

    // The parts themselves, for checks of focus, looks, geometry and drops.
    QWidget* runButton() const;
    QWidget* musicBox() const;
    QWidget* subfoldersBox() const;
    QWidget* delayBar() const;
    QWidget* maintainOption() const;
    QWidget* stretchOption() const;
    PictureBox* palette() const;
    FolderList* folderList() const;
    VolumeList* volumeList() const;

private:
    Setup_Frm* w_;
};
