#pragma once

#include "folder/FolderWalk.h"
#include "forms/Form.h"
#include "show/ShowFile.h"

#include <QElapsedTimer>

#include <functional>
#include <optional>

class FormTimer;
class HiddenTextField;
class QGroupBox;
class QLabel;
class QProgressBar;

// The subfolder search: walks the start folder and every folder below it inside one timer event,
// showing the folder it is in and the depth bar, then writes the folder show and starts the player.
class Search_Frm : public Form {
    Q_OBJECT
public:
    explicit Search_Frm(Forms& owner);

    void Form_Load() override;
    void Form_Unload() override;
    void showForm() override;

    // Collects the pictures of one folder and moves the bar (see folder_walk::Progress).
    void Get_Files(int maximum, int value);
    // Writes the show of what was found and starts it, or says that nothing was found.
    void Save_Temp_File();
    void Trigger_Timer_Timer();
    void Dir1_Change(const QString& folder);

    FormTimer* Trigger_Timer;
    QGroupBox* Frame1;
    QProgressBar* Search_Bar;
    QGroupBox* Frame2;
    QLabel* Label1;
    HiddenTextField* Dir_Txt;
    QStringList List1; // the pictures found, in show order

    // How folders are listed; tests make listings fail through it.
    folder_walk::Lister lister = folder_walk::diskLister();
    // The show's options as the setup window shows them when the walk ends; nothing when that
    // window is gone. Set by the setup window, which stays loaded (hidden) during the search.
    std::function<std::optional<ShowSettings>()> showSettings;

signals:
    // Every folder the label shows and every position of the bar, in order (the screen shows them
    // at most once a frame).
    void folderShown(const QString& folder);
    void barShown(int maximum, int value);

private:
    void Search_Folders();
    void drawNow(bool last);
    void backToSetup();

    QElapsedTimer lastDrawn_;
    bool ended_ = false; // the walk has ended, with a show or a message
};
