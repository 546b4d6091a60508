#include "core/base/System.h"

#include "core/base/ErrorReport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>

#include <cstring>

QString SpecialFolderPath(int folder) {
    if (folder != 35) {
        return {};
    }
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).trimmed();
    // Callers take this folder as existing, but a fresh account may not have it yet.
    if (!path.isEmpty() && !QFileInfo::exists(path) && QDir().mkpath(path)) {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    return path;
}

QString AddressWidthOfArchitecture(const QString& architecture) {
    static const QStringList wide = {
        QStringLiteral("x86_64"),  QStringLiteral("arm64"),   QStringLiteral("ia64"),    QStringLiteral("mips64"),
        QStringLiteral("power64"), QStringLiteral("riscv64"), QStringLiteral("sparcv9"), QStringLiteral("loongarch64"),
        QStringLiteral("s390x"),   QStringLiteral("alpha")};
    static const QStringList narrow = {
        QStringLiteral("i386"),  QStringLiteral("arm"),     QStringLiteral("mips"),  QStringLiteral("power"),
        QStringLiteral("sparc"), QStringLiteral("riscv32"), QStringLiteral("wasm"),  QStringLiteral("loongarch32"),
        QStringLiteral("s390"),  QStringLiteral("sh"),      QStringLiteral("avr32"), QStringLiteral("bfin")};
    if (wide.contains(architecture)) {
        return QStringLiteral("64");
    }
    if (narrow.contains(architecture)) {
        return QStringLiteral("32");
    }
    return {};
}

QString ProcessorAddressWidth() {
    return AddressWidthOfArchitecture(QSysInfo::currentCpuArchitecture());
}

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}
