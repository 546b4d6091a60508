#include "gui/Form1.h"
#include "gui/Form2.h"
#include "gui/QtUi.h"
#include "gui/ResultsModel.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

namespace {

// Loads the samples, takes a picture of the main window, runs the analysis, sorts the results
// most frequent first, finds the words with "the", ticks a few and takes a picture of the results
// window.
void TakeScreenshots(Form1& form, const QString& folder) {
    QDir().mkpath(folder);
    form.PushButton7_Click();
    QApplication::processEvents();
    form.grab().save(folder + QStringLiteral("/main-window.png"));
    form.PushButton2_Click();
    Form2& results = form.Results();
    ResultsModel* model = results.Model();
    model->FlushPending();
    results.ListView1_ColumnClick(model->ColumnOfKind(ResultColumnKind::Count));
    results.FindBox->setText(QStringLiteral("the"));
    model->SetViewRangeTicked(0, 2, true);
    QApplication::processEvents();
    results.grab().save(folder + QStringLiteral("/results-window.png"));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lexitally"));
    QApplication::setOrganizationName(QStringLiteral("Quorvant"));
    const QString screenshots = qEnvironmentVariable("LEXITALLY_SCREENSHOTS");
    QtUi qtUi;
    SilentUi silentUi;
    Ui& ui = screenshots.isEmpty() ? static_cast<Ui&>(qtUi) : static_cast<Ui&>(silentUi);
    Form1Options options;
    if (!screenshots.isEmpty()) {
        options.endProgram = [] { QApplication::exit(0); };
    }
    Form1 form(ui, options);
    form.Form_Load();
    form.show();
    if (!screenshots.isEmpty()) {
        QTimer::singleShot(500, &form, [&form, screenshots] {
            TakeScreenshots(form, screenshots);
            QApplication::exit(0);
        });
    }
    return QApplication::exec();
}
