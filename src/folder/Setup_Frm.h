#pragma once

#include "controls/ShowOptions.h"
#include "forms/Form.h"
#include "platform/Desktop.h"
#include "show/ShowFile.h"

#include <optional>

class FileDrop;
class FileList;
class FolderList;
class MouseUpButton;
class OpenSaveDialog;
class PalettePicker;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;
class VolumeList;

// The folder show setup: a volume and a folder, the show's options, the background colour and the
// music; the run button plays the folder's pictures, or hands the folder to the subfolder search.
class Setup_Frm : public Form {
    Q_OBJECT
public:
    explicit Setup_Frm(Forms& owner);

    void Form_Load() override;
    void Form_Unload() override;
    void showForm() override;

    // Stores the window's twelve choices.
    void Save_Settings();
    void ShowColors(qint32 colour);
    void ShowGradient(std::optional<qint32> first, qint32 second);
    // The show's options as the controls show them now.
    ShowSettings settings() const;

    void Drive1_Change(const desktop::Volume& volume);
    void Dir1_Change();
    void Subs_Chk_Click();
    // The show options' handling is the one the maker shares.
    void Strech_Opt_Click() { options_.followDisplayMode(); }
    void Maintain_Opt_Click() { options_.followDisplayMode(); }
    void Delay_Scroll_Change() { Update_Delay(); }
    void Delay_Scroll_Scroll() { Update_Delay(); }
    void Music_Chk_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint at);
    void Run_btn_Click();
    // Files and folders dropped on the window from a file manager: the first folder is opened.
    void Form_OLEDragDrop(const QStringList& dropped);

private:
    void createFolderFrame();
    void createOptionFrames();
    void createRunRow();
    void orderTabs();
    // Handlers on the controls, the run button as the default, and drops of folders.
    void wireControls();

    // Tests reach the controls through their driver, which works them as a person does.
    friend class SetupDriver;

    QGroupBox* Frame1;
    VolumeList* Drive1;
    QCheckBox* Subs_Chk;
    FolderList* Dir1;
    FileList* File1;
    QLabel* Num_Files_Lbl;
    OpenSaveDialog* Dialog1;
    QGroupBox* Frame4;
    QRadioButton* Maintain_Opt;
    QRadioButton* Strech_Opt;
    QCheckBox* Ratio_Chk;
    QGroupBox* Frame3;
    QLabel* Delay_Lbl;
    QScrollBar* Delay_Scroll;
    QGroupBox* Frame2;
    PalettePicker* Picker; // Pal, lbColor, Save_Colour and txCol
    QCheckBox* Shuff_Chk;
    QCheckBox* Loop_Chk;
    QCheckBox* Message_Chk;
    QPushButton* Run_btn;
    MouseUpButton* Music_Chk;

    void Update_Delay() { options_.updateDelay(); }
    // Moves the volume and folder lists to `folder`; false when it cannot be listed.
    bool openFolder(const QString& folder);
    void restoreFolder();
    bool playFolder();
    // The full paths of the folder's pictures that a show file can hold (no double quote), in order.
    QStringList folderPictures() const;

    FileDrop* drop_ = nullptr;
    show_options::Controls options_;
    bool placed_ = false;
};
