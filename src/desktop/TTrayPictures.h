#pragma once

#include <QIcon>
#include <QList>

// The program's pictures, drawn here so they stay crisp at every size the desktop asks for
// (16 x 16 first: that is what a tray shows).
namespace TTrayPictures {

// The program icon: window, tray at start, desktop entry.
QIcon programIcon();
// The still pictures: 0 no mail waiting, 1 mail waiting, 2 offline.
QList<QIcon> ImageList1();
// The four animation frames shown while accounts are checked.
QList<QIcon> ImageList2();

// One picture at one size, for tests and the about box: `kind` 0..2 a still picture, 3..6 an
// animation frame, 7 the program icon.
QPixmap render(int kind, int size);

} // namespace TTrayPictures
