#pragma once

#include "forms/Form.h"

class QFrame;
class QLabel;

// The about window: name, version and author, with the author's name as a link to his web page.
// A click anywhere but on the link closes it, and the menu comes back.
class About_Frm : public Form {
    Q_OBJECT
public:
    static constexpr auto WebAddress = "https://corvath.example/lumora";

    explicit About_Frm(Forms& owner);

    void Form_Unload() override;

    void Form_Click();
    void Image1_Click();
    void Image2_Click();
    void Label1_Click();
    void Label2_Click();
    void Label3_Click();
    void Label4_Click();
    void Label5_Click();
    void Link_Lbl_Click();
    void gotoweb();

private:
    // Tests reach the controls through their driver.
    friend class AboutDriver;

    QLabel* Image1;
    QFrame* Shape1;
    QLabel* Image2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Link_Lbl;
    QFrame* Shape2;
    QLabel* Label1;
    QLabel* Label2;

    void closeWindow();
};
