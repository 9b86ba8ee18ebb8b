// File > Open of files in other formats: converted beside the source and
// opened with their label file; the STRUCTURE import dialog shows what was
// detected and takes what the user states.
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QtTest>

#include <filesystem>

#include "desktop_fixture.hpp"
#include "test_support.hpp"
#include "ui/import_dialog.hpp"
#include "ui/main_window.hpp"

using zeltric::test::control;

using namespace zeltric;

namespace {

using Fixture = test::DesktopFixture;

void openFile(Fixture& f, const std::string& path) {
    f.window().dialogs().setNextFileName(QString::fromStdString(path));
    control<QAction>(f.window(), "mfopen")->trigger();
}

}  // namespace

class TestForeignOpen : public QObject {
    Q_OBJECT
private slots:
    void genepopOpensTheConvertedFileWithItsLabels() {
        Fixture f;
        const std::string path =
            f.writeData("trout.gen",
                        "title\nLm12, Lm20\npop\nnorth1 , 148152 098100\nnorth2 , 152152 100100\n"
                        "pop\nsouth1 , 160148 100098\nsouth2 , 160160 098000\npop\neast1 , 148148 098098\n");
        openFile(f, path);
        QVERIFY(f.session.settings.fileOpen);
        QVERIFY(f.endCodes.empty());
        QCOMPARE(f.session.results.dataFileName, path + "-genepop");
        QCOMPARE(f.session.settings.opened.np, 3);
        QCOMPARE(f.session.settings.opened.nl, 2);
        QCOMPARE(f.session.settings.opened.populationLabels[2], std::string("south1"));
        QVERIFY(f.session.settings.useLabels);
        QCOMPARE(f.window().dialogs().informations.size(), 1);  // the half-missing genotype
        QVERIFY(f.window().dialogs().informations[0].contains(QStringLiteral("one allele missing")));
        control<QAction>(f.window(), "mGo")->trigger();
        QTRY_VERIFY(std::filesystem::exists(path + "-genepop.pca"));
        QVERIFY(f.window().dialogs().errors.isEmpty());
    }

    void structureDialogShowsTheDetectedLayoutAndCancelOpensNothing() {
        Fixture f;
        const std::string path = f.writeData("trout.str",
                                             "Lm12 Lm20\na\t1\t1\t148\t98\na\t1\t1\t152\t100\n"
                                             "b\t2\t0\t160\t100\nb\t2\t0\t148\t-9\n");
        // Read in the answer, checked after it (a check returns from the function it is in).
        bool shown = false;
        QString report;
        int loci = -2;
        QString rows;
        int extra = -2;
        QString missing;
        f.window().dialogs().setNextDialogAnswer([&](QDialog& dialog) {
            shown = true;
            auto* import = qobject_cast<ui::StructureImportDialog*>(&dialog);
            if (import == nullptr) return false;
            report = control<QLabel>(import, "lDetected")->text();
            loci = control<QSpinBox>(import, "eLoci")->value();
            rows = control<QComboBox>(import, "cRows")->currentText();
            extra = control<QSpinBox>(import, "eExtra")->value();
            missing = control<QLineEdit>(import, "eMissing")->text();
            return false;
        });
        openFile(f, path);
        QVERIFY(shown);
        QVERIFY2(report.contains(
                     QStringLiteral("a names row, 2 rows per individual, 1 extra column (PopFlag), 2 loci")),
                 qPrintable(report));
        QCOMPARE(loci, 2);
        QCOMPARE(rows, QStringLiteral("2"));
        QCOMPARE(extra, 1);
        QCOMPARE(missing, QStringLiteral("-9"));
        QVERIFY(!f.session.settings.fileOpen);
        QVERIFY(!std::filesystem::exists(path + "-structure.dat"));
        QVERIFY(f.endCodes.empty());
    }

    void structureStatedInTheDialogOpensAnAmbiguousFile() {
        Fixture f;
        const std::string path = f.writeData("odd.txt", "a 1 7 152 156\nb 1 7 156 152\nc 2 8 160 160\n");
        f.window().dialogs().setNextDialogAnswer([](QDialog& dialog) {
            auto* import = qobject_cast<ui::StructureImportDialog*>(&dialog);
            if (import == nullptr) return false;
            if (!control<QLabel>(import, "lDetected")->text().contains(QStringLiteral("is ambiguous")))
                return false;
            control<QComboBox>(import, "cRows")->setCurrentIndex(1);
            control<QSpinBox>(import, "eExtra")->setValue(1);
            return true;
        });
        openFile(f, path);
        QVERIFY(f.session.settings.fileOpen);
        QCOMPARE(f.session.settings.opened.nl, 1);
        QCOMPARE(f.session.settings.opened.populationLabels[1], std::string("1"));
        QCOMPARE(
            test::readFile(path + "-structure.dat"),
            std::string("   2    1    3    2\r\nL1\r\n     1    102 \r\n     1    201 \r\n     2    303 \r\n"));
    }

    void fstatIsConvertedOnlyWhenItsFileTypeIsChosen() {
        Fixture f;
        const std::string path = f.writeData("three.dat", "2 1 160 3\nLm12\n1 148152\n2 160160\n1 152152\n");
        control<QFileDialog>(f.window(), "mOpenDlg")->selectNameFilter(QStringLiteral("FSTAT files (*.dat)"));
        openFile(f, path);
        QVERIFY(f.session.settings.fileOpen);
        QCOMPARE(f.session.results.dataFileName, path + "-fstat");
        QCOMPARE(test::readFile(path + "-fstat.lab"), std::string("1\r\n2\r\n"));

        control<QFileDialog>(f.window(), "mOpenDlg")->selectNameFilter(QStringLiteral("data files (*.dat)"));
        openFile(f, path);  // a data file now: its reader refuses the highest allele 160
        QCOMPARE(f.endCodes, std::vector<int>{1});
        QVERIFY(f.window().dialogs().errors.front().contains(QStringLiteral("Too many populations")));
    }
};

QTEST_MAIN(TestForeignOpen)
#include "foreign_open_test.moc"
