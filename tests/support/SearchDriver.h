#pragma once

#include <QString>

class FormTimer;
class QLabel;
class QProgressBar;
class Search_Frm;

// The subfolder search's parts as tests watch them: the folder it is in, the depth bar and the
// start folder it was handed. Tests go through this, so that the window's controls can change
// without editing tests across the tree.
class SearchDriver {
public:
    explicit SearchDriver(Search_Frm* window) : w_(window) {}

    QString startFolder() const;
    QLabel* folderLabel() const;
    QProgressBar* depthBar() const;
    // The clock that starts the walk once the window is up.
    FormTimer* startClock() const;

private:
    Search_Frm* w_;
};
