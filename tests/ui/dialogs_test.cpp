// The small dialogs, the selection dialogs' lists and the about box, driven
// as real widgets on the offscreen platform.

#include <sys/utsname.h>

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QtTest>

#include "ui/about_box.hpp"
#include "ui/dialog_seam.hpp"
#include "ui/number_dialogs.hpp"
#include "ui/pick_dialogs.hpp"
#include "ui/system_info.hpp"
#include "ui_test_support.hpp"

using zeltric::test::control;

using namespace zeltric;
using zeltric::test::ModalScript;

namespace {

QStringList listTexts(const QListWidget& list) {
    QStringList texts;
    for (int row = 0; row < list.count(); ++row) {
        texts << list.item(row)->text();
    }
    return texts;
}

void highlight(QListWidget& list, const QStringList& texts) {
    list.clearSelection();
    for (int row = 0; row < list.count(); ++row) {
        if (texts.contains(list.item(row)->text())) {
            list.item(row)->setSelected(true);
        }
    }
}

}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    // The system line names this machine's kernel as the kernel itself
    // reports it, read here apart from the code under test.
    void osLine_namesTheRunningKernel() {
        utsname names{};
        QCOMPARE(uname(&names), 0);
        const QRegularExpressionMatch release =
            QRegularExpression(QStringLiteral("^(\\d+)\\.(\\d+)")).match(QString::fromLatin1(names.release));
        QVERIFY2(release.hasMatch(), names.release);
        const QString expected =
            QStringLiteral("Linux %1.%2").arg(release.captured(1).toInt()).arg(release.captured(2).toInt());
        QCOMPARE(QString::fromStdString(ui::formatOsLine(ui::currentOsVersion())), expected);
        ui::AboutBox box;
        QCOMPARE(control<QLabel>(box, "OS")->text(), expected);
    }

    void memoryLine() {
        QCOMPARE(ui::formatMemoryLine(65536ull * 1024, ","), std::string("65,536 KB"));
        QCOMPARE(ui::formatMemoryLine(65536ull * 1024 + 1023, "."), std::string("65.536 KB"));
        QCOMPARE(ui::formatMemoryLine(999ull * 1024, ","), std::string("999 KB"));
        QCOMPARE(ui::formatMemoryLine(16777216ull * 1024, "\u00a0"), std::string("16\u00a0777\u00a0216 KB"));
        QCOMPARE(ui::groupThousands(1000, ","), std::string("1,000"));
        QCOMPARE(ui::groupThousands(123456789, ","), std::string("123,456,789"));
    }

    void aboutBox_textsAndLayout() {
        ui::AboutBox box;
        QCOMPARE(box.windowTitle(), QStringLiteral("About ZELTRIC"));
        QCOMPARE(box.size(), QSize(342, 258));
        QCOMPARE(control<QLabel>(box, "SKUName")->text(), QStringLiteral("ZELTRIC"));
        QCOMPARE(control<QLabel>(box, "Version")->text(), QStringLiteral("Version 1.2"));
        QCOMPARE(control<QLabel>(box, "Label3")->text(), QStringLiteral("Memory Available to Windows:"));
        auto* ok = control<QPushButton>(box, "OKButton");
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QVERIFY(ok->isDefault());
        QVERIFY(control<QLabel>(box, "SKUName")->font().bold());
        QVERIFY(control<QLabel>(box, "SKUName")->font().underline());
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        // Whatever the fonts on this machine, every text is whole inside the
        // box and no two overlap.
        QList<QWidget*> parts;
        for (QWidget* child : box.findChildren<QWidget*>()) {
            if (qobject_cast<QLabel*>(child) != nullptr || qobject_cast<QPushButton*>(child) != nullptr)
                parts << child;
        }
        QCOMPARE(parts.size(),
                 14);  // icon, name, version, seven credits, OS, memory label and line, OK
        for (int i = 0; i < parts.size(); ++i) {
            QVERIFY2(box.rect().contains(parts[i]->geometry()), qPrintable(parts[i]->objectName()));
            for (int j = i + 1; j < parts.size(); ++j) {
                QVERIFY2(!parts[i]->geometry().intersects(parts[j]->geometry()),
                         qPrintable(parts[i]->objectName() + QStringLiteral(" meets ") + parts[j]->objectName()));
            }
        }

        auto* memory = control<QLabel>(box, "PhysMem");
        const std::string separator = QLocale::system().groupSeparator().toStdString();
        QCOMPARE(memory->text(),
                 QString::fromStdString(ui::formatMemoryLine(ui::totalPhysicalMemory(), separator)));
        QVERIFY(memory->text().endsWith(QStringLiteral(" KB")));
        // Right edge at 329, or just after the label when the texts would meet.
        const int labelRight = control<QLabel>(box, "Label3")->geometry().right();
        QVERIFY(memory->geometry().left() > labelRight);
        QVERIFY(memory->geometry().right() + 1 == 329 || memory->geometry().left() == labelRight + 5);

        // Credit lines name the project, never a person.
        for (int i = 1; i <= 7; ++i) {
            const QByteArray name = "Credit" + QByteArray::number(i);
            QVERIFY(!control<QLabel>(box, name.constData())->text().isEmpty());
        }
        QVERIFY(control<QLabel>(box, "Credit5")->text().contains(QStringLiteral("ZELTRIC project")));
    }

    void aboutBox_escapeCloses() {
        ModalScript script;
        script.then([](QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
        ui::DialogSeam dialogs;
        ui::showAboutBox(nullptr, dialogs);
        QCOMPARE(script.shown, 1);
        QVERIFY(script.done());
        QCOMPARE(script.unscripted, 0);
    }

    void seedDialog_textsFocusAndFields() {
        ui::SeedDialog dialog;
        ui::DialogSeam dialogs;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Seeds Random Number generator?"));
        QCOMPARE(control<QLabel>(dialog, "lfirstseed")->text(), QStringLiteral("First seed? [1..2147483562]"));
        QCOMPARE(control<QLabel>(dialog, "Lsecondseed")->text(), QStringLiteral("Second seed?  [1..2147483398]"));
        QCOMPARE(control<QPushButton>(dialog, "Button1")->text(), QStringLiteral("&OK"));
        QVERIFY(control<QFrame>(dialog, "psrnd") != nullptr);
        // No Cancel: OK is the only button.
        QCOMPARE(dialog.findChildren<QPushButton*>().size(), 1);

        ModalScript script;
        QString firstAtShow = QStringLiteral("unset");
        script.then([&](QDialog& shown) {
            auto& seed = static_cast<ui::SeedDialog&>(shown);
            QTRY_VERIFY(control<QLineEdit>(seed, "Ernd1")->hasFocus());
            firstAtShow = control<QLineEdit>(seed, "Ernd1")->text() + control<QLineEdit>(seed, "ERnd2")->text();
            control<QLineEdit>(seed, "Ernd1")->setText(QStringLiteral(" 42"));
            control<QLineEdit>(seed, "ERnd2")->setText(QStringLiteral("7"));
            QTest::mouseClick(control<QPushButton>(seed, "Button1"), Qt::LeftButton);
        });
        control<QLineEdit>(dialog, "Ernd1")->setText(QStringLiteral("old"));
        const auto answer = dialog.prompt(dialogs);
        QVERIFY(answer.has_value());
        QCOMPARE(answer->first, std::string(" 42"));
        QCOMPARE(answer->second, std::string("7"));
        QCOMPARE(firstAtShow, QString());  // fields emptied before each showing

        script.then([](QDialog& shown) { shown.reject(); });  // the frame's close box
        QVERIFY(!dialog.prompt(dialogs).has_value());
    }

    void countDialog_textsFocusAndOffer() {
        ui::CountDialog dialog;
        ui::DialogSeam dialogs;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Number of randomisations"));
        QCOMPARE(control<QLabel>(dialog, "lnbrand")->text(),
                 QStringLiteral("Number of randomisations ? [100..15000]"));
        QCOMPARE(control<QLineEdit>(dialog, "Enbrand")->text(), QStringLiteral("100"));
        QCOMPARE(control<QPushButton>(dialog, "bOKnbrand")->text(), QStringLiteral("OK"));
        QCOMPARE(dialog.findChildren<QPushButton*>().size(), 1);

        ModalScript script;
        QString offered;
        script.then([&](QDialog& shown) {
            auto& count = static_cast<ui::CountDialog&>(shown);
            QTRY_VERIFY(control<QLineEdit>(count, "Enbrand")->hasFocus());
            offered = control<QLineEdit>(count, "Enbrand")->text();
            QTest::keyClick(control<QLineEdit>(count, "Enbrand"),
                            Qt::Key_Return);  // OK is the default button
        });
        control<QLineEdit>(dialog, "Enbrand")->setText(QStringLiteral("555"));
        const auto answer = dialog.prompt("100", dialogs);
        QCOMPARE(offered, QStringLiteral("100"));
        QVERIFY(answer.has_value());
        QCOMPARE(*answer, std::string("100"));
    }

    void pickDialogs_texts() {
        ui::LocusPickDialog loci(3, nullptr);
        QCOMPARE(loci.windowTitle(), QStringLiteral("Pick Loci"));
        QCOMPARE(control<QLabel>(loci, "label1")->text(), QStringLiteral("Loci to choose from :"));
        QCOMPARE(control<QLabel>(loci, "Label2")->text(), QStringLiteral("Chosen loci :"));
        ui::SamplePickDialog pops(3, nullptr);
        QCOMPARE(pops.windowTitle(), QStringLiteral("pick pop"));
        QVERIFY(pops.findChild<QLabel*>("label1") == nullptr);
        for (ui::PickDialog* dialog : {static_cast<ui::PickDialog*>(&loci), static_cast<ui::PickDialog*>(&pops)}) {
            QCOMPARE(control<QPushButton>(dialog, "Button1")->text(), QStringLiteral("OK"));
            QCOMPARE(control<QPushButton>(dialog, "Button2")->text(), QStringLiteral(">"));
            QCOMPARE(control<QPushButton>(dialog, "Button3")->text(), QStringLiteral("<"));
            QCOMPARE(control<QListWidget>(dialog, "ListBox1")->selectionMode(),
                     QAbstractItemView::ExtendedSelection);
            QCOMPARE(control<QListWidget>(dialog, "ListBox2")->selectionMode(),
                     QAbstractItemView::ExtendedSelection);
        }
    }

    void pickDialog_movesBothWaysKeepingOrder() {
        ui::SamplePickDialog dialog(5, nullptr);
        control<QListWidget>(dialog, "ListBox1")->addItems({"1. a", "2. b", "3. c", "4. d", "5. e"});
        highlight(*control<QListWidget>(dialog, "ListBox1"), {"2. b", "3. c", "5. e"});
        QTest::mouseClick(control<QPushButton>(dialog, "Button2"), Qt::LeftButton);
        QCOMPARE(listTexts(*control<QListWidget>(dialog, "ListBox1")), QStringList({"1. a", "4. d"}));
        QCOMPARE(listTexts(*control<QListWidget>(dialog, "ListBox2")), QStringList({"2. b", "3. c", "5. e"}));

        highlight(*control<QListWidget>(dialog, "ListBox2"), {"2. b"});
        QTest::mouseClick(control<QPushButton>(dialog, "Button3"), Qt::LeftButton);
        // Moved back to the end: the lists are not re-sorted.
        QCOMPARE(listTexts(*control<QListWidget>(dialog, "ListBox1")), QStringList({"1. a", "4. d", "2. b"}));
        QCOMPARE(listTexts(*control<QListWidget>(dialog, "ListBox2")), QStringList({"3. c", "5. e"}));
        QCOMPARE(dialog.chosenTexts(), QStringList({"3. c", "5. e"}));

        // Nothing highlighted, or an empty source: nothing moves.
        control<QListWidget>(dialog, "ListBox1")->clearSelection();
        QTest::mouseClick(control<QPushButton>(dialog, "Button2"), Qt::LeftButton);
        QCOMPARE(control<QListWidget>(dialog, "ListBox2")->count(), 2);
        highlight(*control<QListWidget>(dialog, "ListBox2"), {"3. c", "5. e"});
        QTest::mouseClick(control<QPushButton>(dialog, "Button3"), Qt::LeftButton);
        QCOMPARE(control<QListWidget>(dialog, "ListBox2")->count(), 0);
        QTest::mouseClick(control<QPushButton>(dialog, "Button3"), Qt::LeftButton);
        QCOMPARE(listTexts(*control<QListWidget>(dialog, "ListBox1")),
                 QStringList({"1. a", "4. d", "2. b", "3. c", "5. e"}));
    }

    void pickDialog_focusInLeftList() {
        ui::LocusPickDialog dialog(2, nullptr);
        control<QListWidget>(dialog, "ListBox1")->addItems({"1. x", "2. y"});
        ModalScript script;
        bool focused = false;
        script.then([&](QDialog& shown) {
            QTRY_VERIFY(control<QListWidget>(dialog, "ListBox1")->hasFocus());
            focused = true;
            shown.accept();
        });
        dialog.exec();
        QVERIFY(focused);
    }
};

QTEST_MAIN(TestDialogs)
#include "dialogs_test.moc"
