#pragma once

#include "core/base/Yield.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Reversible scrambling of short texts.

// Reversible scrambling of a text under a key, on the UTF-8 bytes of both: every byte is
// shifted by the key's byte at the same position (the key repeats), wrapping from 255 to 1.
// Throws Failure for an empty key.
QString ScrambleText(const QString& text, const QString& key, const Yield& yield = {});
QString UnscrambleText(const QString& scrambled, const QString& key, const Yield& yield = {});
