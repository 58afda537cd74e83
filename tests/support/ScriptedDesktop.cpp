#include "ScriptedDesktop.h"

#include <QTest>

namespace {

const char* iconName(desktop::Icon icon) {
    switch (icon) {
    case desktop::Icon::Critical:
        return "critical";
    case desktop::Icon::Question:
        return "question";
    case desktop::Icon::Exclamation:
        return "exclamation";
    case desktop::Icon::Information:
        return "information";
    case desktop::Icon::None:
        break;
    }
    return "none";
}

QString describe(const desktop::MessageBox& box) {
    return QStringLiteral("[title \"%1\", text \"%2\", icon %3, buttons %4]")
        .arg(box.title, box.text, QLatin1String(iconName(box.icon)))
        .arg(static_cast<int>(box.buttons));
}

} // namespace

void ScriptedDesktop::expectMessage(const QString& title, const QString& text, desktop::Icon icon,
                                    desktop::Buttons buttons, desktop::Answer answer,
                                    std::function<void()> whileOpen) {
    boxes_.push_back({{text, title, icon, buttons}, answer, std::move(whileOpen)});
}

void ScriptedDesktop::expectFileDialog(
    std::function<desktop::FileReply(const desktop::FileRequest&)> answer) {
    dialogs_.push_back(std::move(answer));
}

desktop::Answer ScriptedDesktop::message(QWidget*, const desktop::MessageBox& box) {
    shownBoxes << box;
    if (boxes_.empty()) {
        QTest::qFail(qPrintable("unexpected message box " + describe(box)), __FILE__, __LINE__);
        return box.buttons == desktop::Buttons::Ok ? desktop::Answer::Ok : desktop::Answer::Cancel;
    }
    ExpectedBox expected = std::move(boxes_.front());
    boxes_.pop_front();
    const auto& e = expected.box;
    if (e.title != box.title || e.text != box.text || e.icon != box.icon || e.buttons != box.buttons)
        QTest::qFail(qPrintable("message box " + describe(box) + " where " + describe(e) + " was expected"),
                     __FILE__, __LINE__);
    if (expected.whileOpen)
        expected.whileOpen();
    return expected.answer;
}

desktop::FileReply ScriptedDesktop::chooseFile(QWidget*, const desktop::FileRequest& request) {
    if (dialogs_.empty()) {
        QTest::qFail(qPrintable("unexpected file dialog \"" + request.title + "\""), __FILE__, __LINE__);
        return {};
    }
    auto answer = std::move(dialogs_.front());
    dialogs_.pop_front();
    return answer(request);
}

void ScriptedDesktop::verifyDone() {
    if (!boxes_.empty())
        QTest::qFail(qPrintable("message box never shown: " + describe(boxes_.front().box)), __FILE__,
                     __LINE__);
    if (!dialogs_.empty())
        QTest::qFail("an expected file dialog never opened", __FILE__, __LINE__);
    boxes_.clear();
    dialogs_.clear();
}
