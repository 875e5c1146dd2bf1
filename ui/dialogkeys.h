#pragma once
// What Enter and Escape do in the program's secondary windows and dialogs, the look of their
// bold buttons, and the window each of them is attached to, so a window manager keeps it above
// its owner and never lets it be minimised on its own.

class QDialog;
class QPushButton;
class QWidget;

class QRect;
class QWidget;

namespace truco {

// Enter presses `enter` unless another button has the focus (then that one); Escape presses
// `escape`. Without an escape button Escape does nothing: the window closes only through its
// own buttons.
void SetDialogKeys(QDialog* dialog, QPushButton* enter, QPushButton* escape);

// The escape button given to SetDialogKeys, if any.
QPushButton* EscapeButton(const QDialog* dialog);

// A bold button with a frame, a hover shade and a mark while it has the keyboard focus.
void StyleBoldButton(QPushButton* button);

// Once per program: the repeats of a key go only to the window that took its press, so a key
// that closed a box never acts on the window under it.
void KeepKeysInTheirWindow();

// Once per program: every window opens inside the screen's free area, and one larger than it
// scrolls inside a size the screen holds. A window with the property "truco_fits_itself" set is
// left to itself; a direct child with the property "truco_foot_line" (a status bar along the
// window's bottom) stays below the part that scrolls.
void KeepWindowsOnScreen();

// The screen's free area that `window` may take: at a scale that does not divide the screen
// (1280 / 3) its size in points is rounded up, and one point less on the right and at the
// bottom keeps the window from overhanging it by a device pixel.
QRect ScreenArea(const QWidget* window);

// Makes `window` a transient of the window the player is using (the top modal one, else the
// active one), unless it already has a parent. Call it before showing the window.
void AttachToOwner(QWidget* window);

}  // namespace truco
