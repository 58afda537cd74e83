#include "SetupFixture.h"
#include "MenuDriver.h"

#include "app/MENU_Frm.h"
#include "controls/PictureButton.h"
#include "folder/Setup_Frm.h"
#include "forms/Forms.h"
#include "platform/ProgramFolder.h"
#include "player/Main_Frm.h"
#include "show/SettingsStore.h"

#include <QFile>
#include <QSettings>
#include <QTest>

SetupFixture::SetupFixture() {
    QSettings(QSettings::IniFormat, QSettings::UserScope, settings::MenuApp).clear();
    QFile::remove(program_folder::tempIniPath());
}

void SetupFixture::store(const QString& key, const QString& value) {
    settings::SaveSetting(QString::fromLatin1(settings::MenuApp), settings::Section, key, value);
}

QString SetupFixture::stored(const QString& key) {
    return settings::GetSetting(QString::fromLatin1(settings::MenuApp), settings::Section, key,
                                QStringLiteral("absent"));
}

SetupDriver SetupFixture::openSetup() {
    start();
    auto* menu = forms->as<MENU_Frm>(FormId::Menu);
    if (!menu || !QTest::qWaitForWindowActive(menu))
        qFatal("the menu never became active");
    MenuDriver(menu).openFolder();
    auto* setup = forms->as<Setup_Frm>(FormId::Setup);
    if (!setup || !QTest::qWaitForWindowActive(setup))
        return SetupDriver();
    return SetupDriver(setup);
}

SetupDriver SetupFixture::openSetupOn(const QString& folder, bool subfolders) {
    store(QStringLiteral("Path"), folder);
    store(QStringLiteral("Sub Dirs"), subfolders ? QStringLiteral("1") : QStringLiteral("0"));
    return openSetup();
}

QStringList SetupFixture::tempShowLines() {
    QFile f(program_folder::tempIniPath());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (!line.isEmpty())
            lines << QString::fromUtf8(line.trimmed()).remove(u'"');
    }
    return lines;
}

void SetupFixture::leaveShow() {
    Main_Frm* player = forms->as<Main_Frm>(FormId::Player);
    QVERIFY(player);
    QTest::keyClick(player, Qt::Key_Escape);
    QTRY_VERIFY(!forms->isLoaded(FormId::Player));
    QVERIFY(!forms->isLoaded(FormId::Setup));
    QTRY_VERIFY(forms->form(FormId::Menu) && forms->form(FormId::Menu)->isVisible());
    QVERIFY(!QFile::exists(program_folder::tempIniPath()));
}
