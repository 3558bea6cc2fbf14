#include "programcommandline.h"

#include <cstdio>

ProgramCommandLine::ProgramCommandLine(const char *program, const char *description)
    : m_program(program)
    , m_help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."))
    , m_version({QStringLiteral("v"), QStringLiteral("version")},
                QStringLiteral("Show the version."))
{
    m_parser.setApplicationDescription(QString::fromLatin1(description));
    m_parser.addOptions({m_help, m_version});
}

bool ProgramCommandLine::parse(const QStringList &arguments)
{
    m_error.clear();
    if (!m_parser.parse(arguments)) {
        m_error = m_parser.errorText();
        return false;
    }
    if (!m_parser.positionalArguments().isEmpty()) {
        m_error = QStringLiteral("unexpected argument: %1")
                      .arg(m_parser.positionalArguments().constFirst());
        return false;
    }
    if (helpRequested() || versionRequested())
        return true;
    return readOptions();
}

bool ProgramCommandLine::parse(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (parse(arguments))
        return true;
    std::fprintf(stderr, "%s: %s\nTry --help.\n", m_program, qPrintable(m_error));
    return false;
}

void ProgramCommandLine::printHelpOrVersion(const char *version) const
{
    if (helpRequested())
        std::fputs(qPrintable(helpText()), stdout);
    else if (versionRequested())
        std::printf("%s %s\n", m_program, version);
}
