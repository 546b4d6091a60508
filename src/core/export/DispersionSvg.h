#pragma once

#include "core/corpus/Dispersion.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The dispersion plot as an SVG image (plain text, no drawing library): the word and its hits in
// the title, then one strip per file with its name on the left, light ticks where its pages
// begin, a mark per hit at its relative position, and the file's hits and hits per 1,000 words
// on the right. The image is width pixels wide; its height follows from the number of files.
QByteArray DispersionSvg(const Dispersion& dispersion, const QList<ConvertedText>& texts, const QString& word,
                         int width = 900);
