#include "support/TestEnv.h"
#include <QApplication>
#include <QtTest>
class Smoke : public QObject { Q_OBJECT private slots: void runs() { QVERIFY(true); } };
LEXITALLY_TEST_MAIN(Smoke)
#include "test_smoke.moc"
