#pragma once

#include "controls/ShowOptions.h"
#include "forms/Form.h"
#include "platform/Desktop.h"
#include "show/ShowFile.h"

class DragList;
class FileList;
class FolderList;
class HiddenTextField;
class ListDrop;
class OpenSaveDialog;
class PalettePicker;
class PictureListModel;
class PreviewLoader;
class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QToolBar;
class VolumeList;

// The show maker: a volume, folder and file browser above, the ordered picture list with its preview
// below, the show options between them and the toolbar on top. The options live in their controls;
// the list in its model.
class Maker_Frm : public Form {
    Q_OBJECT
public:
    explicit Maker_Frm(Forms& owner);
    ~Maker_Frm() override;

    void Form_Load() override;
    void Form_Activate() override;
    void Form_Unload() override;
    // A list that changed since it was last loaded, saved or cleared is offered for saving first.
    bool Form_QueryUnload() override;
    void showForm() override;

    void Update_Count();
    void Load_File();
    void Save_Settings();

    void Drive1_Change(const desktop::Volume& volume);
    void Dir1_Change();
    void File1_Click();
    void File1_DblClick();
    void File1_GotFocus();
    void Add_Btn_Click();
    void List1_Click();
    void List1_DblClick();
    // Files and folders dropped on the list from a file manager: their pictures go in front of the
    // entry at `row`.
    void List1_OLEDragDrop(const QStringList& dropped, int row);
    // Delete removes the selected entry as a double-click does; true when the key was used.
    bool List1_KeyDown(int key, Qt::KeyboardModifiers shift);
    void List1_GotFocus();
    void cmdUp_Click();
    void cmdDown_Click();
    void Check1_Click();
    void Toolbar1_ButtonClick(const QString& key);
    // The show options' handling is the one the folder setup shares.
    void Strech_Opt_Click() { options_.followDisplayMode(); }
    void Maintain_Opt_Click() { options_.followDisplayMode(); }
    void Delay_Scroll_Change() { Update_Delay(); }
    void Music_Chk_Click();
    void Music_Btn_Click();

    // The toolbar's button for `key` ("Loop", "Shuffle", ..., "Preview"), or null.
    QAction* toolbarButton(const QString& key) const;
    // The options as the controls hold them.
    ShowSettings options() const;
    // The picture list's drops from file managers (for tests: where the mark stands).
    const ListDrop* listDrop() const { return listDrop_; }
    // For tests: a preview is being decoded or waits to be shown.
    bool previewPending() const;
    // The list or an option changed since the list was last loaded, saved or cleared.
    bool changedSinceSaved() const { return changed_; }

private:
    // Tests reach the controls through their driver, which works them as a person does.
    friend class MakerDriver;

    QToolBar* Toolbar1;
    VolumeList* Drive1;
    FolderList* Dir1;
    FileList* File1;
    QPushButton* Add_Btn;
    HiddenTextField* Text1;
    QGroupBox* Display_Fra;
    QRadioButton* Maintain_Opt;
    QRadioButton* Strech_Opt;
    QCheckBox* Ratio_Chk;
    QGroupBox* Delay_Fra;
    QLabel* Delay_Lbl;
    QScrollBar* Delay_Scroll;
    QGroupBox* Colour_Fra;
    PalettePicker* Palette; // Pal, lbColor, Save_Colour and txCol
    QGroupBox* Music_Fra;
    QPushButton* Music_Chk; // a graphical check box: checked is 1
    QLineEdit* Music_Txt;
    QPushButton* Music_Btn;
    QListView* List1;
    PictureListModel* List1Items;
    QPushButton* cmdUp;
    QPushButton* cmdDown;
    QLabel* Image1;
    QFrame* Image2;
    QCheckBox* Check1;
    QLabel* Label1;
    QLabel* Label2;
    QCheckBox* Loop_Chk;
    QCheckBox* Message_Chk;
    QCheckBox* Shuff_Chk;
    OpenSaveDialog* Dialog1;

    void createControls();
    void createBrowser();
    void createOptions();
    void createPictureList();
    void createPreview();
    void nameControls();
    void placeControls();
    void createToolbar();
    void wireControls();
    // Marks every change of the list and of the options that a show file carries.
    void watchChanges();
    void Arrange_Controls();
    void Init_Drag_List();

    void restoreSettings();
    bool restoreBrowser(const QString& volume, const QString& folder);
    void setOptions(const ShowSettings& options);

    bool Save_File(bool preview);
    void playPreview();
    void Clear_Click();
    void Update_Delay() { options_.updateDelay(); }
    void Press_Button(const QString& key);
    void Release_Button(const QString& key);
    void mirrorButton(const QString& key, QCheckBox* box);

    // Appends `paths` to the picture list; those that a show file cannot hold are named in a message.
    void addPictures(const QStringList& paths);
    // Inserts `pictures` at `row` and names in one message what was left out: `refused`, which a
    // show file cannot hold, and `others`, which are not pictures.
    void insertPictures(int row, const QStringList& pictures, const QStringList& refused,
                        const QStringList& others = {});
    // Asks whether the selected entry is to be removed and removes it on Yes.
    void removeSelectedEntry();
    // Starts the preview of `path` in Image1 while previews are on; an empty path clears it.
    void showPreview(const QString& path);
    void previewReady(const QString& path, const QImage& image);
    desktop::Answer ask(const QString& text, desktop::Buttons buttons);

    show_options::Controls options_;
    DragList* dragList_ = nullptr;
    ListDrop* listDrop_ = nullptr;
    PreviewLoader* preview_ = nullptr;
    QString previewPath_;
    bool changed_ = false;
    bool placed_ = false; // centred once, when it first opens
};
