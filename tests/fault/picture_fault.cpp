// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// Asks a picture element for a picture the program does not have: the
// program must end with one clear line on stderr and a failure status.
#include "window/PictureBox.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    PictureBox box;
    box.setPicture(99);
    return 0; // not reached
}
