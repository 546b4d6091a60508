#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "support/GuiTestMain.h"
#include "support/ScriptedUi.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QtTest>

#include <stdexcept>

class ErrorReportTest : public QObject {
    Q_OBJECT

private slots:
    void reportText_data();
    void reportText();
    void reportBox();
    void failingStepReportsAndNextStepRuns_data();
    void failingStepReportsAndNextStepRuns();
    void failureInsideCalledHelperNamesCallingStep();
    void reportOfCaughtFailure();
};

void ErrorReportTest::reportText_data() {
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("expected");
    QTest::newRow("start-up") << "Type mismatch"
                              << "in Zentrova2021/08/31.Form1.Form_Load " << 116
                              << "Type mismatch\r\nin Zentrova2021/08/31.Form1.Form_Load at line 116\r\rPlease email "
                                 "screenshot of this message to support@quorvant.example";
    QTest::newRow("analysis run") << "File not found"
                                  << "in Zentrova2021/08/31.Form1.PushButton2_Click " << 152
                                  << "File not found\r\nin Zentrova2021/08/31.Form1.PushButton2_Click at line "
                                     "152\r\rPlease email screenshot of this message to support@quorvant.example";
    QTest::newRow("folder scan") << "Permission denied"
                                 << "in Morvinta2021/08/31.AddFolder.GetSubDirectories2016 " << 100
                                 << "Permission denied\r\nin Morvinta2021/08/31.AddFolder.GetSubDirectories2016 at "
                                    "line 100\r\rPlease email screenshot of this message to support@quorvant.example";
    QTest::newRow("empty description") << ""
                                       << "in Zentrova2021/08/31.Form1.PushButton3_Click " << 100
                                       << "\r\nin Zentrova2021/08/31.Form1.PushButton3_Click at line 100\r\rPlease "
                                          "email screenshot of this message to support@quorvant.example";
    QTest::newRow("non-ASCII description")
        << "Datei »ü.pdf« fehlt"
        << "in Zentrova2021/08/31.Main.NoTextPDF " << 1234
        << "Datei »ü.pdf« fehlt\r\nin Zentrova2021/08/31.Main.NoTextPDF at line 1234\r\rPlease email screenshot "
           "of this message to support@quorvant.example";
}

void ErrorReportTest::reportText() {
    QFETCH(QString, description);
    QFETCH(QString, source);
    QFETCH(int, step);
    QFETCH(QString, expected);
    QCOMPARE(SupportEmail(), QStringLiteral("support@quorvant.example"));
    QCOMPARE(ErrorReportText(description, source, step), expected);
}

void ErrorReportTest::reportBox() {
    ScriptedUi ui;
    ShowErrorReport(ui, QStringLiteral("Disk full"), QString::fromLatin1(Source::CopyClick), 108);
    QCOMPARE(ui.calls.size(), 1);
    const ScriptedUi::Call& call = ui.calls.first();
    QCOMPARE(call.kind, QStringLiteral("message"));
    QCOMPARE(call.caption, QStringLiteral("Application Error"));
    QCOMPARE(call.buttons, MsgButtons::Ok);
    QCOMPARE(call.icon, MsgIcon::Exclamation);
    QCOMPARE(call.text, ErrorReportText(QStringLiteral("Disk full"), QString::fromLatin1(Source::CopyClick), 108));
}

// Each step either finishes, throws a Failure, throws another standard exception, or uses FailIf.
void ErrorReportTest::failingStepReportsAndNextStepRuns_data() {
    QTest::addColumn<QString>("plan"); // one letter per step: o ok, f Failure, s std exception, i FailIf
    QTest::addColumn<QList<int>>("reportedSteps");
    QTest::addColumn<QStringList>("descriptions");
    QTest::newRow("all fine") << "ooo" << QList<int>{} << QStringList{};
    QTest::newRow("first step fails") << "fo" << QList<int>{100} << QStringList{"failure at 100"};
    QTest::newRow("last step fails") << "oof" << QList<int>{104} << QStringList{"failure at 104"};
    QTest::newRow("stays armed") << "fofo" << QList<int>{100, 104} << QStringList{"failure at 100", "failure at 104"};
    QTest::newRow("every step fails") << "fff" << QList<int>{100, 102, 104}
                                      << QStringList{"failure at 100", "failure at 102", "failure at 104"};
    QTest::newRow("standard exception") << "os" << QList<int>{102} << QStringList{"std at 102"};
    QTest::newRow("FailIf") << "io" << QList<int>{100} << QStringList{"condition at 100"};
}

void ErrorReportTest::failingStepReportsAndNextStepRuns() {
    QFETCH(QString, plan);
    QFETCH(QList<int>, reportedSteps);
    QFETCH(QStringList, descriptions);
    ScriptedUi ui;
    ErrorReport steps(ui, QString::fromLatin1(Source::StartClick));
    QCOMPARE(steps.SourceText(), QStringLiteral("in Zentrova2021/08/31.Form1.PushButton2_Click "));
    QList<int> ran;
    QList<bool> results;
    for (int i = 0; i < plan.size(); ++i) {
        const int step = 100 + 2 * i;
        const QChar kind = plan[i];
        results << steps(step, [&] {
            ran << step;
            if (kind == u'f') {
                throw Failure(QStringLiteral("failure at %1").arg(step));
            }
            if (kind == u's') {
                throw std::runtime_error(QStringLiteral("std at %1").arg(step).toStdString());
            }
            FailIf(kind == u'i', QStringLiteral("condition at %1").arg(step));
            ran << -step; // reached the end of the step
        });
    }
    // Every step ran, and each one that failed stopped at its failure.
    QCOMPARE(ran.size(), plan.size() * 2 - reportedSteps.size());
    for (int i = 0; i < plan.size(); ++i) {
        QCOMPARE(results[i], !reportedSteps.contains(100 + 2 * i));
    }
    const QList<ScriptedUi::Call> messages = ui.Messages();
    QCOMPARE(messages.size(), reportedSteps.size());
    for (int i = 0; i < messages.size(); ++i) {
        QCOMPARE(messages[i].caption, QStringLiteral("Application Error"));
        QCOMPARE(messages[i].icon, MsgIcon::Exclamation);
        QCOMPARE(messages[i].buttons, MsgButtons::Ok);
        QCOMPARE(messages[i].text, ErrorReportText(descriptions[i], steps.SourceText(), reportedSteps[i]));
    }
}

void ErrorReportTest::failureInsideCalledHelperNamesCallingStep() {
    IsolatedEnvironment env;
    ScriptedUi ui;
    ErrorReport steps(ui, QString::fromLatin1(Source::FormLoad));
    bool after = false;
    steps(100, [] {});
    steps(102, [&] { WriteBytesToFile("abc", env.Temp() + QStringLiteral("/missing/folder/pdftotext")); });
    steps(104, [&] { after = true; });
    QVERIFY(after);
    QCOMPARE(ui.Messages().size(), 1);
    const QString text = ui.Messages().first().text;
    QVERIFY2(text.contains(QStringLiteral("\r\nin Zentrova2021/08/31.Form1.Form_Load at line 102\r\r")),
             qPrintable(text));
    QVERIFY(!text.startsWith(QStringLiteral("\r\n"))); // the helper's own description leads
}

void ErrorReportTest::reportOfCaughtFailure() {
    ScriptedUi ui;
    ErrorReport steps(ui, QString::fromLatin1(Source::SortingDb));
    steps.Report(130, QStringLiteral("no such table: tbWords"));
    steps.Report(132, QStringLiteral("no such table: tbWords"));
    QCOMPARE(ui.MessageTexts(),
             (QStringList{ErrorReportText("no such table: tbWords", "in Zentrova2021/08/31.Sorting.SortingDB ", 130),
                          ErrorReportText("no such table: tbWords", "in Zentrova2021/08/31.Sorting.SortingDB ", 132)}));
}

LEXITALLY_GUI_TEST_MAIN(ErrorReportTest)
#include "test_error_report.moc"
