#pragma once

#include <QSize>
#include <vector>

class QWidget;

// Places a window's controls at their designed positions (in twips) and lets them follow the
// window when it grows beyond its designed client size.
class TwipsLayout {
public:
    enum class Grow {
        None,        // fixed; a caption that needs more room widens the control
        Width,       // takes all the extra width
        WidthHeight, // takes all the extra width and height (the window's list)
        LeftHalf,    // left of a pair of buttons: half the extra width
        RightHalf,   // right of a pair of buttons: moves right by half and takes the other half
    };
    struct Placement {
        QWidget* widget;
        int left, top, width, height;
        Grow grow;
        bool below; // moves down with the extra height
    };

    TwipsLayout() = default;
    TwipsLayout(QWidget* window, int clientWidth, int clientHeight, std::vector<Placement> placements);

    // The designed client size in pixels.
    QSize DesignedSize() const;
    // Sets the window to its designed size (and minimum size).
    void ResizeToDesign();
    // Places every control for the window's current size.
    void Apply() const;

private:
    QWidget* m_window = nullptr;
    int m_clientWidth = 0;
    int m_clientHeight = 0;
    std::vector<Placement> m_placements;
};

// Pixels for a length in twips (1/1440 inch) on the screen of the widget.
int TwipsToPixels(int twips, const QWidget* widget = nullptr);
