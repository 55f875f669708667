#include "app/AppOptions.h"

namespace {

// The value of "--name VALUE" or "--name=VALUE"; advances `index` past a separate value.
bool takeValue(const QStringList& arguments, qsizetype& index, const QString& name, std::string& value, QString& error)
{
    const QString& argument = arguments[index];
    if (argument.startsWith(name + u'=')) {
        value = argument.mid(name.size() + 1).toStdString();
        return true;
    }
    if (argument != name)
        return false;
    if (index + 1 >= arguments.size()) {
        error = name + QStringLiteral(" needs a value");
        return true;
    }
    value = arguments[++index].toStdString();
    return true;
}

} // namespace

AppOptions parseAppOptions(const QStringList& arguments)
{
    AppOptions options;
    veldris::AdapterChoice& adapter = options.adapter;
    for (qsizetype i = 0; i < arguments.size() && options.error.isEmpty(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.help = true;
        } else if (argument == QLatin1String("--version")) {
            options.version = true;
        } else if (argument == QLatin1String("--simulate")) {
            adapter.simulate = true;
        } else if (argument.startsWith(QLatin1String("--simulate="))) {
            adapter.simulate = true;
            adapter.scenario = argument.mid(11).toStdString();
        } else if (std::string name; takeValue(arguments, i, QStringLiteral("--adapter"), name, options.error)) {
            if (options.error.isEmpty())
                options.error = QString::fromStdString(veldris::takeAdapterName(name, adapter));
        } else if (!takeValue(arguments, i, QStringLiteral("--sim-state"), adapter.simState, options.error)
                   && !takeValue(arguments, i, QStringLiteral("--trace"), adapter.tracePath, options.error)
                   && !takeValue(arguments, i, QStringLiteral("--library"), adapter.library, options.error)) {
            options.error = QStringLiteral("unknown option ") + argument;
        }
    }
    if (options.error.isEmpty())
        options.error = QString::fromStdString(veldris::adapterChoiceConflict(adapter));
    return options;
}

QString appUsage()
{
    return QStringLiteral(
        "Usage: veldris [OPTIONS]\n"
        "KAVRO Veldris: service tool for CANopen sensors on a PCAN adapter.\n\n"
        "  --adapter socketcan[:IFACE]  use Linux's own CAN interface IFACE (default can0) through\n"
        "                         the bundled SocketCAN library; --adapter pcan: the PCAN-Basic library\n"
        "  --simulate[=SCENARIO]  use the bundled bus simulator instead of an adapter\n"
        "  --sim-state FILE       with --simulate: load the sensors' state from FILE, save it at exit\n"
        "  --library NAME|PATH    PCAN-Basic library to load (default: $VELDRIS_PCANBASIC, else libpcanbasic.so)\n"
        "  --trace FILE           record every frame: FILE.log (candump), FILE.pcap (Wireshark)\n"
        "                         or FILE.trc (PEAK trace 2.1)\n"
        "  --version              print the version and exit\n"
        "  --help                 print this help and exit\n");
}
