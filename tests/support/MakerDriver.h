#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QStringList>

class FileList;
class FolderList;
class Maker_Frm;
class PictureListModel;
class QAbstractItemView;
class QLineEdit;
class QListView;
class QToolBar;
class QWidget;
class VolumeList;

// The show maker as a person works it: every action is a click or a key on the control the person
// would use, and every reading is what the window shows. Tests go through this, so that the
// window's controls can change without editing tests across the tree.
class MakerDriver {
public:
    explicit MakerDriver(Maker_Frm* window = nullptr) : w_(window) {}

    // The window's own public side (close, options, the toolbar's actions, ...).
    Maker_Frm* operator->() const { return w_; }
    Maker_Frm* window() const { return w_; }
    explicit operator bool() const { return w_ != nullptr; }

    // The browser.
    // Goes to `folder` in the folder list, as a walk through its entries would.
    bool browse(const QString& folder);
    QString folder() const;
    QStringList files() const;
    // Ctrl-clicks the file list's entries until exactly those named are selected.
    void selectFiles(const QStringList& names);
    // A click on the file at `row`, which makes it the current file alone.
    void clickFile(int row);
    void doubleClickFile(int row);
    int currentFile() const;
    void add();
    void add(const QStringList& names);
    // Chooses the volume at `root` in the volume box with the keyboard; false when it is not listed.
    bool chooseVolume(const QString& root);
    QString volume() const;
    void refreshVolumes();

    // The picture list.
    // The list as a loaded show leaves it: set up directly, not through the window.
    void given(const QStringList& paths);
    QStringList entries() const;
    int entryCount() const;
    QString count() const;
    void selectEntry(int row);
    int selectedEntry() const;
    QPoint entryCentre(int row) const;
    QRect entryRect(int row) const;
    void doubleClickEntry(int row);
    void doubleClickListAt(QPoint at);
    void pressDelete();
    // Drags the entry at `from` with the mouse onto the entry at `to`, over the ones between.
    void dragTo(int from, int to);
    void up();
    void down();
    // The path the preview last took (the hidden field beside the file list).
    QString previewed() const;
    void forgetPreviewed();
    // The preview's centre colour; invalid while it shows nothing.
    QColor previewColour() const;
    bool thumbnailShown() const;
    bool emptyFrameShown() const;
    void setThumbnails(bool on);
    bool thumbnails() const;

    // The options.
    void toolbar(const char* key);
    void setStretch(bool stretch);
    bool stretched() const;
    bool maintained() const;
    void setKeepRatio(bool keep);
    bool keepRatio() const;
    bool keepRatioEnabled() const;
    // The box as a loaded show sets it, enabled or not: set up directly.
    void givenKeepRatio(bool keep);
    // Tabs onto the delay bar and steps it with the arrow keys from Home.
    void setDelay(int seconds);
    int delay() const;
    QString delayText() const;
    bool looped() const;
    bool shuffled() const;
    bool pauseMessage() const;
    void setMusic(bool on);
    bool music() const;
    // The "..." button beside the music file.
    void chooseMusic();
    QString musicFile() const;
    bool musicEnabled() const;
    // The pointer over the palette at `at` (inner pixels); `click` chooses the colour under it.
    void pointAtPalette(QPoint at, bool click);
    void clickSwatch();
    QString colourUnderPointer() const;
    qint32 colour() const;
    // A colour no palette cell holds: set up directly, as a loaded show sets it.
    void givenColour(qint32 colour);

    // The parts themselves, for checks of focus, looks and geometry.
    QWidget* addButton() const;
    QWidget* countLabel() const;
    QWidget* delayLabel() const;
    QWidget* delayBar() const;
    QWidget* palette() const;
    QWidget* musicButton() const;
    QLineEdit* musicField() const;
    QWidget* thumbnailBox() const;
    QWidget* upButton() const;
    QWidget* downButton() const;
    VolumeList* volumeList() const;
    FolderList* folderList() const;
    FileList* fileList() const;
    QListView* pictureList() const;
    QToolBar* toolbar() const;
    // The list's model, for checks that the count follows changes that bypass the window.
    PictureListModel& model() const;

private:
    Maker_Frm* w_;
};
