// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
#include "RuntimeError.h"

#include <cstdio>
#include <cstdlib>

void fatalRuntimeError(const QString &what)
{
    std::fprintf(stderr, "kvindo: %s\n", what.toLocal8Bit().constData());
    std::fflush(stderr);
    // Nothing is saved, so there is nothing to tidy up: leave at once rather
    // than run destructors of a window in an inconsistent state.
    std::_Exit(EXIT_FAILURE);
}
