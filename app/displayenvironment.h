#pragma once

#include <QString>

// Why the programs' windows cannot show, or empty when, as far as can be told
// before Qt starts, they can. Without a display Qt aborts while creating a
// widget application, with a message about plugins that does not tell the
// operator what is missing. The answer completes "needs a graphical display,
// but ...".
//
// platform is a name given with -platform, if any; QT_QPA_PLATFORM counts
// when it is not given. Where such a choice names another platform, or a
// Wayland display is set, Qt is left to report its own trouble.
QString displayProblem(const QString &platform = {});
