#include "DesktopProgram.h"

#include "DesktopSession.h"
#include "FirstUse.h"
#include "ProgramLogo.h"
#include "frmMain.h"
#include "frmSplash.h"

#include "platform/ProgramFolder.h"
#include "reports/ui/ReportsStep.h"
#include "platform/ui/UserSettings.h"

#include <DovrexVersion.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <optional>

namespace dovrex::ui {

namespace {

std::optional<std::string> Option(const QCommandLineParser& parser, const QString& name) {
    if (!parser.isSet(name)) return std::nullopt;
    return parser.value(name).toStdString();
}

// The desktop login: the command-line access word skips it, otherwise login security
// decides. Its dialog comes with the advanced configuration dialogs; until then no
// login is asked.
bool PassLogin(const QStringList& /*arguments*/) { return true; }

} // namespace

int RunDesktop(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(version::Title));
    QApplication::setApplicationVersion(QString::fromUtf8(version::VersionText));
    QApplication::setWindowIcon(QIcon(ProgramLogo(64)));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(version::FileDescription));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("home"), QStringLiteral("The program's folder (maps, databases)."), QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("registry"), QStringLiteral("The settings store file."), QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("palm-desktop"), QStringLiteral("The HotSync stand-in folder."), QStringLiteral("DIR")});
    parser.addPositionalArgument(QStringLiteral("word"), QStringLiteral("The access word that skips the login."), QStringLiteral("[word]"));
    parser.process(app);

    const ProgramLocations locations =
        ProgramLocations::Resolve(Option(parser, QStringLiteral("home")), Option(parser, QStringLiteral("registry")),
                                  Option(parser, QStringLiteral("palm-desktop")));
    CopySamplesIntoNewFolder(locations.Home, DOVREX_SAMPLES_DIR);

    UserSettings settings;
    DesktopSession session(locations, settings);
    frmSplash splash;
    splash.show();
    if (!PassLogin(parser.positionalArguments())) {
        // Without a login the main window never opens; the program ends with the splash.
        return splash.isVisible() ? QApplication::exec() : 0;
    }
    frmMainSeams seams;
    seams.ReportsStep = [&session](QWidget& parent, clsExchange& engine) {
        RunReportsStep(parent, engine, session.Settings(), session.Messages());
    };
    frmMain main(session, std::move(seams));
    main.FormLoad();
    main.show();
    if (splash.isVisible()) splash.raise();
    return QApplication::exec();
}

} // namespace dovrex::ui
