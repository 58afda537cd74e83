#pragma once

#include <QList>

class About_Frm;
class QLabel;
class QWidget;

// The about window's parts as tests find them: a person clicks through the window at the places
// these stand. Tests go through this, so that the window's controls can change without editing
// tests across the tree.
class AboutDriver {
public:
    explicit AboutDriver(About_Frm* window) : w_(window) {}

    // The author's name that leads to the web page.
    QLabel* link() const;
    QWidget* picture() const;
    QWidget* lowerRule() const;
    // Every text of the window, the link last.
    QList<QLabel*> texts() const;

private:
    About_Frm* w_;
};
