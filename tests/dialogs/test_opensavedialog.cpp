#include "ScriptedDesktop.h"
#include "dialogs/FilterConversion.h"
#include "dialogs/OpenSaveDialog.h"
#include "show/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using desktop::FileReply;
using desktop::FileRequest;

namespace {

const QString showFilter = QStringLiteral("Lumora Files (*.lmr)|*.lmr|All Files (*.*)|*.*");
const QString musicFilter =
    QStringLiteral("All Supported Files (*.mp3,*.wav,*.mid)|*.mp3;*.wav;*.mid|All Files (*.*)|*.*");

// A string literal taken whole, embedded NULs included.
template <qsizetype N> QString text(const char16_t (&literal)[N]) {
    return QString::fromUtf16(literal, N - 1);
}

FileReply cancelled() {
    return {};
}

FileReply chose(const QStringList& files, int filterIndex = 0) {
    return {true, files, filterIndex};
}

// Reads a name filter the way QFileDialog does: the patterns are the space-separated words of the
// last parenthesised group.
QStringList patternsOf(const QString& nameFilter) {
    const auto match = QRegularExpression(QStringLiteral("^(.*)\\(([^()]*)\\)$")).match(nameFilter);
    return match.hasMatch() ? match.captured(2).split(QLatin1Char(' '), Qt::SkipEmptyParts) : QStringList{};
}

} // namespace

class TestOpenSaveDialog : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { desktop.verifyDone(); }

    void convertsFilterToNulList() {
        QCOMPARE(dialogs::ConvertFilter(QStringLiteral("a|b|c|d")), text(u"a\0b\0c\0d\0\0"));
        QCOMPARE(dialogs::ConvertFilter(QStringLiteral("a||c")), text(u"a\0\0c\0\0"));
    }

    void buildsQtNameFiltersThatMatchTheRightFiles() {
        const QStringList music = dialogs::qtNameFilters(musicFilter);
        QCOMPARE(music.size(), 2);
        // The descriptions are shown as the callers wrote them.
        QVERIFY(music.at(0).startsWith(QLatin1String("All Supported Files (*.mp3,*.wav,*.mid) (")));
        QVERIFY(music.at(1).startsWith(QLatin1String("All Files (*.*) (")));

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const char* name : {"song.mp3", "tune.mid", "show.lmr", "README"}) {
            QFile file(dir.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QDir folder(dir.path());
        auto shown = [&](const QString& nameFilter) {
            return folder.entryList(patternsOf(nameFilter), QDir::Files, QDir::Name);
        };
        QCOMPARE(shown(music.at(0)), (QStringList{"song.mp3", "tune.mid"}));
        QCOMPARE(shown(music.at(1)), (QStringList{"README", "show.lmr", "song.mp3", "tune.mid"}));
        QCOMPARE(shown(dialogs::qtNameFilters(showFilter).at(0)), QStringList{"show.lmr"});

        QVERIFY(dialogs::qtNameFilters(QString()).isEmpty());
        // A description without its pattern list is no entry, so entry numbers stay in step.
        QCOMPARE(dialogs::qtNameFilters(QStringLiteral("Shows|*.lmr|Dangling")).size(), 1);
    }

    void filterIndexIsSetOnCancelAndCarriedToTheNextDialog() {
        OpenSaveDialog dialog(desktop);
        desktop.expectFileDialog([](const FileRequest& request) {
            // No filter: the dialog shows everything.
            [&] { QVERIFY(request.nameFilters.isEmpty()); }();
            return cancelled();
        });
        dialog.ShowOpen();
        QCOMPARE(dialog.FilterIndex(), qint16(0));

        dialog.setFilter(showFilter);
        desktop.expectFileDialog([](const FileRequest& request) {
            [&] {
                QCOMPARE(request.nameFilters.size(), 2);
                QCOMPARE(request.filterIndex, 0);
            }();
            return cancelled();
        });
        dialog.ShowOpen();
        QCOMPARE(dialog.FilterIndex(), qint16(1));

        desktop.expectFileDialog([](const FileRequest&) { return chose({"/shows/README"}, 1); });
        dialog.ShowOpen();
        QCOMPARE(dialog.FilterIndex(), qint16(2));

        // The save filter has one entry only; the remembered second entry must not fall off its end.
        dialog.setFilter(QStringLiteral("Lumora Files (*.lmr)|*.lmr"));
        desktop.expectFileDialog([](const FileRequest& request) {
            [&] {
                QVERIFY(request.save);
                QCOMPARE(request.filterIndex, 0);
            }();
            return cancelled();
        });
        dialog.ShowSave();
        QCOMPARE(dialog.FilterIndex(), qint16(2));

        dialog.setFilter(musicFilter);
        desktop.expectFileDialog([](const FileRequest& request) {
            [&] { QCOMPARE(request.filterIndex, 1); }();
            return cancelled();
        });
        dialog.ShowOpen();
    }

    void choosingOneFileFillsNameAndTitle() {
        OpenSaveDialog dialog(desktop);
        dialog.setDialogTitle(QStringLiteral("Open Lumora File"));
        dialog.setInitDir(QStringLiteral("/home/ann/shows"));
        dialog.setFilter(showFilter);
        dialog.setDefaultExt(QStringLiteral("lmr"));
        // Longer than the old 260-character limit: the path must come back whole.
        const QString deep =
            QStringLiteral("/home/ann/") + QString(300, QLatin1Char('d')) + QStringLiteral("/a");
        desktop.expectFileDialog([&](const FileRequest& request) {
            [&] {
                QCOMPARE(request.title, QStringLiteral("Open Lumora File"));
                QCOMPARE(request.initialFolder, QStringLiteral("/home/ann/shows"));
                QVERIFY(!request.save);
                QVERIFY(!request.multiSelect);
            }();
            return chose({deep});
        });
        dialog.ShowOpen();
        QCOMPARE(dialog.FileName(), deep);
        QCOMPARE(dialog.FileTitle(), QStringLiteral("a"));
        QCOMPARE(dialog.Flags(), 0);
    }

    void eachPurposeStartsInItsLastFolder() {
        QSettings(QSettings::IniFormat, QSettings::UserScope, settings::MenuApp).remove("Last Folders");
        QTemporaryDir shows, saved, elsewhere;
        const auto expectStart = [&](const QString& folder, const FileReply& reply) {
            desktop.expectFileDialog([folder, reply](const FileRequest& request) {
                [&] { QCOMPARE(request.initialFolder, folder); }();
                return reply;
            });
        };
        {
            OpenSaveDialog dialog(desktop);
            dialog.setFilter(showFilter);
            dialog.setPurpose(OpenSaveDialog::OpenShow);
            // Nothing remembered yet: where the dialog always started.
            expectStart(QString(), chose({shows.filePath("a.lmr")}));
            dialog.ShowOpen();
            expectStart(shows.path(), cancelled());
            dialog.ShowOpen();
            // A cancel remembers nothing; each purpose has its own folder.
            dialog.setPurpose(OpenSaveDialog::SaveShow);
            expectStart(QString(), chose({saved.filePath("b.lmr")}));
            dialog.ShowSave();
            dialog.setPurpose(OpenSaveDialog::Music);
            expectStart(QString(), chose({elsewhere.filePath("tune.mp3"), elsewhere.filePath("two.mp3")}));
            dialog.ShowOpen();
            // A folder the caller names comes first.
            dialog.setPurpose(OpenSaveDialog::OpenShow);
            dialog.setInitDir(elsewhere.path());
            expectStart(elsewhere.path(), cancelled());
            dialog.ShowOpen();
        }
        // After a restart (a new component, the same settings store).
        OpenSaveDialog again(desktop);
        again.setFilter(showFilter);
        for (const auto& [purpose, folder] : {std::pair{OpenSaveDialog::OpenShow, shows.path()},
                                              std::pair{OpenSaveDialog::SaveShow, saved.path()},
                                              std::pair{OpenSaveDialog::Music, elsewhere.path()}}) {
            again.setPurpose(QLatin1String(purpose));
            expectStart(folder, cancelled());
            again.ShowOpen();
        }
        // A folder that is gone: where the dialog always started.
        const QString gone = shows.path();
        shows.remove();
        again.setPurpose(OpenSaveDialog::OpenShow);
        expectStart(QString(), cancelled());
        again.ShowOpen();
        QVERIFY(!QFileInfo::exists(gone));
        // Without a purpose nothing is remembered or used.
        again.setPurpose(QString());
        expectStart(QString(), chose({saved.filePath("c.lmr")}));
        again.ShowOpen();
        QCOMPARE(settings::GetSetting(settings::MenuApp, "Last Folders", OpenSaveDialog::SaveShow, QString()),
                 saved.path());
    }

    void cancelKeepsEverythingAndOffersNoOldName() {
        OpenSaveDialog dialog(desktop);
        dialog.setFileName(QStringLiteral("/home/ann/shows/old.lmr"));
        dialog.setFileTitle(QStringLiteral("old.lmr"));
        dialog.setFlags(0x4);
        desktop.expectFileDialog([](const FileRequest& request) {
            // The old name's folder is not where the dialog opens either.
            [&] { QVERIFY(request.initialFolder.isEmpty()); }();
            return cancelled();
        });
        dialog.ShowOpen();
        QCOMPARE(dialog.FileName(), QStringLiteral("/home/ann/shows/old.lmr"));
        QCOMPARE(dialog.FileTitle(), QStringLiteral("old.lmr"));
        QCOMPARE(dialog.Flags(), 0x4);
    }

    void cancelRaisesErrorOnlyWhenAsked() {
        OpenSaveDialog dialog(desktop);
        dialog.setCancelError(true);
        dialog.setFileName(QStringLiteral("/keep.lmr"));
        desktop.expectFileDialog([](const FileRequest&) { return cancelled(); });
        try {
            dialog.ShowSave();
            QFAIL("a cancelled dialog returned normally");
        } catch (const DialogError& error) {
            QCOMPARE(error.number(), 32755);
            QCOMPARE(error.description(), QStringLiteral("Cancel was selected."));
            QCOMPARE(error.helpFile(), QStringLiteral("cmdlg98.chm"));
            QCOMPARE(error.helpContext(), 32755);
        }
        QCOMPARE(dialog.FileName(), QStringLiteral("/keep.lmr"));

        desktop.expectFileDialog([](const FileRequest&) { return chose({"/a.lmr"}); });
        dialog.ShowOpen();
        QCOMPARE(dialog.FileName(), QStringLiteral("/a.lmr"));

        // An accepted dialog that names no file is no choice either.
        desktop.expectFileDialog([](const FileRequest&) { return chose({}); });
        QVERIFY_THROWS_EXCEPTION(DialogError, dialog.ShowOpen());
    }

    void severalFilesComeBackInTheNulFormAndParse() {
        OpenSaveDialog dialog(desktop);
        dialog.setFlags(OpenSaveDialog::AllowMultiSelect);
        dialog.setFileTitle(QStringLiteral("untouched"));
        desktop.expectFileDialog([](const FileRequest& request) {
            [&] { QVERIFY(request.multiSelect); }();
            return chose({"/pics/a.bmp", "/pics/b.bmp"});
        });
        dialog.ShowOpen();
        QCOMPARE(dialog.FileName(), text(u"/pics\0a.bmp\0b.bmp\0\0"));
        QCOMPARE(dialog.FileTitle(), QStringLiteral("untouched"));

        QString dir;
        QStringList files;
        qint32 count = 0;
        dialog.ParseMultiFileName(dir, files, count);
        QCOMPARE(dir, QStringLiteral("/pics"));
        QCOMPARE(files, (QStringList{"a.bmp", "b.bmp"}));
        QCOMPARE(count, 2);
        QCOMPARE(dialog.FileName(), QStringLiteral("/pics"));

        // One chosen file: its full path, and no folder.
        desktop.expectFileDialog([](const FileRequest&) { return chose({"/pics/a.bmp"}); });
        dialog.ShowOpen();
        QCOMPARE(dialog.FileName(), text(u"/pics/a.bmp\0\0"));
        dir.clear();
        count = 0;
        dialog.ParseMultiFileName(dir, files, count);
        QCOMPARE(dir, QString());
        QCOMPARE(files, QStringList{"/pics/a.bmp"});
        QCOMPARE(count, 1);
        QCOMPARE(dialog.FileName(), QStringLiteral("/pics/a.bmp"));

        // Files from different folders still join back to their paths.
        const QStringList spread{"/pics/2020/a.jpg", "/pics/b.jpg", "/pics/2021/x/c.jpg"};
        desktop.expectFileDialog([&](const FileRequest&) { return chose(spread); });
        dialog.ShowOpen();
        dir.clear();
        count = 0;
        dialog.ParseMultiFileName(dir, files, count);
        QCOMPARE(dir, QStringLiteral("/pics"));
        QCOMPARE(count, 3);
        QStringList joined;
        for (const QString& name : files)
            joined << dir + QLatin1Char('/') + name;
        QCOMPARE(joined, spread);
    }

    void parsesAPlainPath_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("file");
        QTest::newRow("folder and name") << "/home/ann/a.bmp"
                                         << "/home/ann"
                                         << "a.bmp";
        QTest::newRow("at the root") << "/a.bmp"
                                     << ""
                                     << "/a.bmp";
        QTest::newRow("name only") << "a.bmp"
                                   << ""
                                   << "a.bmp";
    }

    void parsesAPlainPath() {
        QFETCH(QString, fileName);
        OpenSaveDialog dialog(desktop);
        dialog.setFileName(fileName);
        QString dir = QStringLiteral("stale");
        QStringList files{"x", "y", "z"};
        qint32 count = 0;
        dialog.ParseMultiFileName(dir, files, count);
        QTEST(dir, "dir");
        QTEST(files.value(0), "file");
        QCOMPARE(files.size(), 1);
        QCOMPARE(count, 1);
        QCOMPARE(dialog.FileName(), fileName);
    }

    void saveIgnoresTheMultiSelectBit() {
        OpenSaveDialog dialog(desktop);
        dialog.setFlags(OpenSaveDialog::AllowMultiSelect);
        desktop.expectFileDialog([](const FileRequest& request) {
            [&] {
                QVERIFY(request.save);
                QVERIFY(!request.multiSelect);
            }();
            return chose({"/home/ann/new.lmr"});
        });
        dialog.ShowSave();
        QCOMPARE(dialog.FileName(), QStringLiteral("/home/ann/new.lmr"));
        QCOMPARE(dialog.FileTitle(), QStringLiteral("new.lmr"));
        QCOMPARE(dialog.Flags(), OpenSaveDialog::AllowMultiSelect);
    }

    void saveAsksBeforeReplacingOnlyWithOverwritePrompt() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString existing = dir.filePath(QStringLiteral("holiday.lmr"));
        const QString fresh = dir.filePath(QStringLiteral("new.lmr"));
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString question = QStringLiteral("holiday.lmr already exists.\nDo you want to replace it?");
        auto choose = [&](const QString& name) {
            desktop.expectFileDialog([name](const FileRequest&) { return chose({name}); });
        };

        OpenSaveDialog dialog(desktop);
        dialog.setDialogTitle(QStringLiteral("Save Lumora File"));
        dialog.setAppendedExtension(QStringLiteral(".lmr"));
        // Without the flag, typed and appended names alike replace their files without a question.
        for (const QString& name : {existing, dir.filePath(QStringLiteral("holiday"))}) {
            choose(name);
            dialog.ShowSave();
            QCOMPARE(dialog.FileName(), name);
        }
        QVERIFY(desktop.shownBoxes.isEmpty());

        dialog.setFlags(OpenSaveDialog::OverwritePrompt);
        // No keeps the dialog open; the next name is taken.
        choose(existing);
        desktop.expectMessage(QStringLiteral("Save Lumora File"), question, desktop::Icon::Exclamation,
                              desktop::Buttons::YesNo, desktop::Answer::No);
        choose(fresh);
        dialog.ShowSave();
        QCOMPARE(dialog.FileName(), fresh);
        // A name that the caller will complete to an existing file is asked about too; Yes takes it.
        choose(dir.filePath(QStringLiteral("holiday")));
        desktop.expectMessage(QStringLiteral("Save Lumora File"), question, desktop::Icon::Exclamation,
                              desktop::Buttons::YesNo, desktop::Answer::Yes);
        dialog.ShowSave();
        QCOMPARE(dialog.FileName(), dir.filePath(QStringLiteral("holiday")));
        // Opening never asks.
        choose(existing);
        dialog.ShowOpen();
        QCOMPARE(dialog.FileName(), existing);
    }

    void storesOnlyWhatDiffersFromTheDefaults() {
        OpenSaveDialog dialog(desktop);
        QVERIFY(dialog.UserControl_WriteProperties().isEmpty());

        dialog.setCancelError(true);
        dialog.setFilter(showFilter);
        dialog.setFilterIndex(2);
        dialog.setMaxFileSize(100);
        dialog.setFlags(0x200);
        const QVariantMap stored = dialog.UserControl_WriteProperties();
        QCOMPARE(stored.keys(),
                 (QStringList{"CancelError", "Filter", "FilterIndex", "Flags", "MaxFileSize"}));

        OpenSaveDialog other(desktop);
        other.setDialogTitle(QStringLiteral("left over"));
        other.UserControl_ReadProperties(stored);
        QCOMPARE(other.DialogTitle(), QString());
        QCOMPARE(other.CancelError(), true);
        QCOMPARE(other.Filter(), showFilter);
        QCOMPARE(other.FilterIndex(), qint16(2));
        QCOMPARE(other.MaxFileSize(), qint16(100));
        QCOMPARE(other.Flags(), 0x200);
        QCOMPARE(other.UserControl_WriteProperties(), stored);

        other.UserControl_ReadProperties({{"CancelError", "False"}, {"FilterIndex", "3"}});
        QCOMPARE(other.CancelError(), false);
        QCOMPARE(other.FilterIndex(), qint16(3));
        QCOMPARE(other.MaxFileSize(), qint16(260));

        other.UserControl_InitProperties();
        QVERIFY(other.UserControl_WriteProperties().isEmpty());
    }

    void keepsItsSizeAndStaysHidden() {
        QWidget window;
        OpenSaveDialog dialog(desktop, &window);
        dialog.resize(300, 40);
        QCOMPARE(dialog.size(), QSize(26, 26));
        window.show();
        QVERIFY(!dialog.isVisible());
    }

private:
    ScriptedDesktop desktop;
};

QTEST_MAIN(TestOpenSaveDialog)
#include "test_opensavedialog.moc"
