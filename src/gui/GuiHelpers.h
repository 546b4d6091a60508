#pragma once

#include <QSize>

class QWidget;

// Gives the window and its option buttons, check boxes, frames and labels the system's
// button-face colour; other controls keep theirs.
void SetSystemBackColors(QWidget* window);

// Applies the optional skin (a Qt style sheet at <app folder>/x/o.cjs) to the window.
// Does nothing when the file is missing; throws Failure when it cannot be read.
void ApplySkin(QWidget* window);

// Moves window to where place stands on the screen (the top-left corners of their frames meet) and
// gives it the size of place (no smaller than its minimum),
// kept inside the screen's available area so that its title bar is always on the screen; the two
// windows take turns in one spot. Call it before showing window; once the window manager has
// framed it, a window that stands elsewhere is put right. Does nothing while place has never been
// on the screen.
void TakePlaceOf(QWidget* window, const QWidget* place);

// Sizes a window of its own (a chart, a corpus view) to wanted, no larger than the screen's
// available area and no smaller than its minimum, and centres it over window (the screen when
// window is not shown), its title bar kept on the screen. The window manager is taken to frame
// it as it frames window.
void PlaceOver(QWidget* view, const QWidget* window, QSize wanted);

// Esc and Ctrl+W close a window of its own (a chart, a corpus view), as they close dialogs.
void CloseWithKeys(QWidget* window);
