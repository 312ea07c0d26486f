// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// A fatal run-time error: a checked operation failed in a way no input can
// cause. The program reports it on stderr and ends with a non-zero status.
#pragma once

#include <QString>

[[noreturn]] void fatalRuntimeError(const QString &what);
