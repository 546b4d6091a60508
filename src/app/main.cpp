#include "app/Form1.h"
#include "app/QtUi.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lexitally"));
    QApplication::setOrganizationName(QStringLiteral("Quorvant"));
    QtUi ui;
    Form1 form(ui);
    form.Form_Load();
    form.show();
    return QApplication::exec();
}
