// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
#include "Announcement.h"

#include "Cards.h"
#include "Pictures.h"

namespace Announcement {

QString text(const Turn &turn)
{
    const QString anew = QStringLiteral(": välj Blanda å ge i menyn för en ny giv");
    if (!turn.newCard)
        return (turn.lost ? QStringLiteral("Given är förlorad")
                          : QStringLiteral("Alla kort är vända, given har gått ut"))
            + anew;
    // The counts as the table shows them: the 1-2-3 count, the 1..13 count or both.
    const int by123 = Cards::count123(turn.turned);
    const int by13 = Cards::count13(turn.turned);
    const QString counts = turn.version == 1 ? QString::number(by123)
        : turn.version == 2                  ? QString::number(by13)
                                             : QStringLiteral("%1 och %2").arg(by123).arg(by13);
    QString said = Pictures::name(Cards::pictureId(turn.card)) + QStringLiteral(", räkning ") + counts;
    if (turn.lost)
        said += QStringLiteral(", given är förlorad");
    else if (turn.turned == Cards::Count)
        said += QStringLiteral(", given har gått ut");
    return said;
}

} // namespace Announcement
