#pragma once

#include "folder/FolderWalk.h"
#include "forms/Form.h"
#include "show/ShowFile.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class FormTimer;
class HiddenTextField;
class QGroupBox;
class QLabel;
class QProgressBar;
class QTimer;
class WalkThread;

// The subfolder search: walks the start folder and every folder below it, showing the folder it is
// in and the depth bar, then writes the folder show and starts the player. The walk runs on a thread
// of its own, so the window stays painted while a whole disk is listed, and its close box or Escape
// stops the walk and brings the setup window back without a show.
class Search_Frm : public Form {
    Q_OBJECT
public:
    explicit Search_Frm(Forms& owner);
    ~Search_Frm() override;

    void Form_Load() override;
    void Form_Unload() override;
    void showForm() override;

    // Moves the bar after a folder's pictures were collected (see folder_walk::Progress).
    void Get_Files(int maximum, int value);
    // Writes the show of what was found and starts it, or says that nothing was found.
    void Save_Temp_File();
    void Trigger_Timer_Timer();
    void Dir1_Change(const QString& folder);

    // The folder the walk starts from when no starts are given.
    void setStartFolder(const QString& folder);

    QStringList List1; // the pictures found, in show order

    // Set when the walk must end: the window closed. The disk lister watches it too.
    const std::shared_ptr<std::atomic<bool>> stopWalk;
    // How folders are listed; tests make listings fail through it. Runs on the walk's thread.
    folder_walk::Lister lister;
    // The show's options as the setup window shows them when the walk ends; nothing when that
    // window is gone. Set by the setup window, which stays loaded (hidden) during the search.
    std::function<std::optional<ShowSettings>()> showSettings;

    // What the show is made of, in its order: folders are walked, pictures taken as they are. When
    // empty, the folder in Dir_Txt alone (as the setup window starts it).
    struct Start {
        QString path;
        bool folder = true;
    };
    QList<Start> starts;
    // What follows a walk that found nothing to show, once its message is answered. Unset, the setup
    // window comes back.
    std::function<void()> nothingToShow;

signals:
    // Every folder the label shows and every position of the bar, in order (the screen shows them
    // at most once a frame).
    void folderShown(const QString& folder);
    void barShown(int maximum, int value);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Tests reach the controls through their driver.
    friend class SearchDriver;

    FormTimer* Trigger_Timer;
    QGroupBox* Frame1;
    QProgressBar* Search_Bar;
    QGroupBox* Frame2;
    QLabel* Label1;
    HiddenTextField* Dir_Txt;

    void Search_Folders();
    // Shows what the walk did since the last frame; at its end, writes the show.
    void followWalk();
    void backToSetup();
    // Takes the pictures up to the next folder and starts walking that folder; false when no
    // folder is left.
    bool walkNext();

    QTimer* frameTimer_;
    std::unique_ptr<WalkThread> walk_;
    QList<Start> pending_;
    bool ended_ = false; // the walk has ended, with a show or a message
};
