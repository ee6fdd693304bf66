#include "DesktopProgram.h"

#include "DesktopSession.h"
#include "FirstUse.h"
#include "ProgramLogo.h"
#include "frmMain.h"
#include "frmSplash.h"

#include "advanced/clsAdvanced.h"
#include "advanced/ui/frmLogin.h"
#include "platform/ProgramFolder.h"
#include "platform/RuntimeError.h"
#include "reports/ui/ReportsStep.h"
#include "platform/ui/UserSettings.h"

#include <DovrexVersion.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <cstdio>
#include <optional>

namespace dovrex::ui {

namespace {

std::optional<std::string> Option(const QCommandLineParser& parser, const QString& name) {
    if (!parser.isSet(name)) return std::nullopt;
    return parser.value(name).toStdString();
}

// The desktop login. A configuration that cannot be read admits nobody: it may be the
// one that asks for the login.
bool LoggedIn(const QStringList& commandLine, DesktopSession& session) {
    try {
        return PassLogin(commandLine, clsAdvanced::Shared(session.Registry().StorePath()), session.Messages());
    } catch (const std::exception& e) {
        session.Messages().Show(DescribeException(e), "Error", MsgButtons::OK, MsgIcon::Critical);
        return false;
    }
}

// At the end the shared configuration saves what is still unsaved.
void ReleaseAdvanced(IMessageBox& messages) {
    try {
        clsAdvanced::ReleaseShared();
    } catch (const std::exception& e) {
        messages.Show(DescribeException(e), "Error", MsgButtons::OK, MsgIcon::Critical);
    }
}

} // namespace

int RunDesktop(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(version::Title));
    QApplication::setApplicationVersion(QString::fromUtf8(version::VersionText));
    QApplication::setWindowIcon(QIcon(ProgramLogo(64)));
    // Ties the windows to the installed desktop entry (dovrex.desktop) and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("dovrex"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(version::FileDescription));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("home"), QStringLiteral("The program's folder (maps, databases)."), QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("registry"), QStringLiteral("The settings store file."), QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("palm-desktop"), QStringLiteral("The HotSync stand-in folder."), QStringLiteral("DIR")});
    parser.addPositionalArgument(QStringLiteral("word"), QStringLiteral("The access word that skips the login."), QStringLiteral("[word]"));
    // The access word may come in any form, also as something that looks like an option
    // ("-divada" is one unknown option, not six short ones).
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(QCoreApplication::arguments()) && parser.unknownOptionNames().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) parser.showHelp();
    if (parser.isSet(QStringLiteral("version"))) parser.showVersion();

    const ProgramLocations locations =
        ProgramLocations::Resolve(Option(parser, QStringLiteral("home")), Option(parser, QStringLiteral("registry")),
                                  Option(parser, QStringLiteral("palm-desktop")));
    CopySamplesIntoNewFolder(locations.Home, ShippedSamplesFolder(QCoreApplication::applicationDirPath().toStdString(),
                                                                  DOVREX_INSTALLED_SAMPLES, DOVREX_SAMPLES_DIR));

    UserSettings settings;
    DesktopSession session(locations, settings);
    frmSplash splash;
    splash.show();
    if (!LoggedIn(QCoreApplication::arguments().mid(1), session)) {
        // Without a login the main window never opens; the program ends with the splash.
        const int code = splash.isVisible() ? QApplication::exec() : 0;
        ReleaseAdvanced(session.Messages());
        return code;
    }
    frmMainSeams seams;
    seams.ReportsStep = [&session](QWidget& parent, clsExchange& engine) {
        RunReportsStep(parent, engine, session.Settings(), session.Messages());
    };
    int code = 0;
    {
        frmMain main(session, std::move(seams));
        main.FormLoad();
        main.show();
        if (splash.isVisible()) splash.raise();
        code = QApplication::exec();
    }
    ReleaseAdvanced(session.Messages());
    return code;
}

} // namespace dovrex::ui
