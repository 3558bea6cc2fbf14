#include "latinkeyletter.h"

namespace LatinKeyLetter {

// Without an X server there is no keyboard map to ask; letters outside the
// Latin alphabet halt like any other key.
std::optional<Qt::Key> forKey(quint32)
{
    return std::nullopt;
}

} // namespace LatinKeyLetter
