#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Facts about the system the program runs on.

// The special folder by its number: 35 is the per-user data folder. "" for unknown numbers.
QString SpecialFolderPath(int folder);

// "64" or "32" for the processor architecture; "" when unknown.
QString ProcessorAddressWidth();

// The system's description of an errno value ("No space left on device").
QString SystemError(int error);
QString AddressWidthOfArchitecture(const QString& architecture);
