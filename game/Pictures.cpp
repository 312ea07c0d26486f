#include "Pictures.h"

#include <QString>
#include <QSvgRenderer>

namespace Pictures {

std::unique_ptr<QSvgRenderer> load(int id)
{
    if (id < FirstId || id > LastId)
        return nullptr;
    auto picture = std::make_unique<QSvgRenderer>(QStringLiteral(":/pictures/%1.svg").arg(id));
    if (!picture->isValid())
        return nullptr;
    return picture;
}

} // namespace Pictures
