#include "link/portdoctor.h"

#include "link/hexdigits.h"
#include "link/lowlatency.h"
#include "link/portnames.h"
#include "platform/currentuser.h"
#include "platform/serialaccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace PortDoctor {

namespace {

struct UsbId
{
    quint16 vendor = 0;
    quint16 product = 0;

    bool operator==(const UsbId &) const = default;
    QString text() const
    {
        return HexDigits::usbIdText(vendor) + u':' + HexDigits::usbIdText(product);
    }
};

std::optional<quint16> idValue(QStringView digits)
{
    const std::optional<int> value = HexDigits::fieldValue(digits.trimmed());
    if (!value || *value > 0xFFFF)
        return std::nullopt;
    return quint16(*value);
}

// One rule line that matches a USB vendor and product, and what it does to such a device.
struct Rule
{
    QString file; // its name: "70-korvant-converters.rules"
    UsbId id;
    bool uaccess = false;
    bool ignoredByModemManager = false;
};

// The seat rules turn the uaccess tag into an ACL for the seated user; a tag that a later
// file sets comes too late to count.
const QString SeatRules = u"73-seat-late.rules"_s;

// In udev's order: a file in an earlier folder stands for one of the same name in a later one,
// which is how a packaged rule is switched off (a link to /dev/null in /etc).
const QStringList RulesFolders{u"/etc/udev/rules.d"_s, u"/run/udev/rules.d"_s,
                               u"/usr/lib/udev/rules.d"_s, u"/lib/udev/rules.d"_s};

QList<Rule> parseRules(const QString &fileName, QString text)
{
    static const QRegularExpression pair(
        uR"re((\w+(?:\{[^}]*\})?)\s*(==|!=|\+=|-=|:=|=)\s*"([^"]*)")re"_s);
    const auto isAny = [](const QString &key, std::initializer_list<QString> names) {
        return std::find(names.begin(), names.end(), key) != names.end();
    };
    text.replace(u"\\\n"_s, u" "_s);
    QList<Rule> rules;
    for (const QString &line : text.split(u'\n')) {
        if (line.trimmed().startsWith(u'#'))
            continue;
        std::optional<quint16> vendor;
        std::optional<quint16> product;
        Rule rule{fileName, {}};
        for (const QRegularExpressionMatch &match : pair.globalMatch(line)) {
            const QString key = match.captured(1);
            const QString op = match.captured(2);
            const QString value = match.captured(3);
            if (op == u"=="_s) {
                if (isAny(key, {u"ATTRS{idVendor}"_s, u"ATTR{idVendor}"_s, u"ENV{ID_VENDOR_ID}"_s}))
                    vendor = idValue(value);
                else if (isAny(key, {u"ATTRS{idProduct}"_s, u"ATTR{idProduct}"_s,
                                     u"ENV{ID_MODEL_ID}"_s}))
                    product = idValue(value);
                else if (key == u"ENV{PRODUCT}"_s) { // "403/6001/600": hex, not zero-filled
                    const QStringList parts = value.split(u'/');
                    vendor = idValue(parts.value(0));
                    product = idValue(parts.value(1));
                }
            } else if (op == u"="_s || op == u"+="_s || op == u":="_s) {
                if (key == u"TAG"_s && value.split(u',').contains(u"uaccess"_s))
                    rule.uaccess = true;
                if (key == u"ENV{ID_MM_DEVICE_IGNORE}"_s && value == u"1"_s)
                    rule.ignoredByModemManager = true;
            }
        }
        if (vendor && product) {
            rule.id = {*vendor, *product};
            rules.append(rule);
        }
    }
    return rules;
}

// The rules that apply, and the files they are in.
struct Rules
{
    QList<Rule> lines;
    QStringList files;       // by name
    QStringList switchedOff; // names that stand for nothing: a link to /dev/null, an empty file
};

struct Group
{
    QString name;
    quint32 gid = 0;
    QStringList members;
};

// The system as the checks see it, every file read below the root folder.
class System final
{
public:
    explicit System(const QString &root) : m_root(QDir::cleanPath(root.isEmpty() ? u"/"_s : root))
    {}

    QString path(const QString &systemPath) const
    {
        return QDir::cleanPath(m_root + u'/' + systemPath);
    }

    QByteArray read(const QString &systemPath) const
    {
        QFile file(path(systemPath));
        return file.open(QIODevice::ReadOnly) ? file.read(1 << 20) : QByteArray();
    }

    QList<Group> groups() const
    {
        QList<Group> all;
        for (const QString &line : QString::fromUtf8(read(u"/etc/group"_s)).split(u'\n')) {
            const QStringList fields = line.split(u':');
            bool numeric = false;
            const quint32 gid = fields.value(2).toUInt(&numeric);
            if (fields.size() >= 4 && numeric)
                all.append({fields.at(0), gid, fields.at(3).split(u',', Qt::SkipEmptyParts)});
        }
        return all;
    }

    // Every rule that applies, each file once: the first folder that holds a name wins.
    Rules rules() const
    {
        QMap<QString, QString> files; // by name, which is also udev's reading order
        for (const QString &folder : RulesFolders) {
            const QDir dir(path(folder));
            for (const QString &name : dir.entryList({u"*.rules"_s}, QDir::Files | QDir::System))
                files.insert(name, files.value(name, folder + u'/' + name));
        }
        Rules all;
        for (auto file = files.cbegin(); file != files.cend(); ++file) {
            const QString text = QString::fromUtf8(read(file.value()));
            (text.trimmed().isEmpty() ? all.switchedOff : all.files).append(file.key());
            all.lines += parseRules(file.key(), text);
        }
        return all;
    }

    std::optional<UsbId> usbIdIn(const QString &folder) const
    {
        const auto value = [&](const QString &name) -> std::optional<quint16> {
            QFile file(folder + u'/' + name);
            if (!file.open(QIODevice::ReadOnly))
                return std::nullopt;
            return idValue(QString::fromLatin1(file.read(16)));
        };
        const std::optional<quint16> vendor = value(u"idVendor"_s);
        const std::optional<quint16> product = value(u"idProduct"_s);
        if (!vendor || !product)
            return std::nullopt;
        return UsbId{*vendor, *product};
    }

    // The USB device a tty belongs to: up from the tty's device until a folder tells the ids.
    std::optional<UsbId> usbIdOf(const QString &tty) const
    {
        const QString sys = QFileInfo(path(u"/sys"_s)).canonicalFilePath();
        QString folder =
            QFileInfo(path(u"/sys/class/tty/%1/device"_s.arg(tty))).canonicalFilePath();
        while (!sys.isEmpty() && folder.startsWith(sys + u'/')) {
            if (const std::optional<UsbId> id = usbIdIn(folder))
                return id;
            folder = QFileInfo(folder).path();
        }
        return std::nullopt;
    }

    QList<UsbId> usbDevices() const
    {
        QList<UsbId> ids;
        const QDir devices(path(u"/sys/bus/usb/devices"_s));
        for (const QFileInfo &entry :
             devices.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
            if (const std::optional<UsbId> id = usbIdIn(entry.canonicalFilePath()))
                ids.append(*id);
        }
        return ids;
    }

    bool runs(const QString &program) const
    {
        const QDir proc(path(u"/proc"_s));
        for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            bool numeric = false;
            pid.toLongLong(&numeric);
            if (numeric && read(u"/proc/%1/comm"_s.arg(pid)).trimmed() == program.toUtf8())
                return true;
        }
        return false;
    }

private:
    QString m_root;
};

QString modeText(QFileDevice::Permissions permissions)
{
    using P = QFileDevice::Permission;
    const std::pair<P, char16_t> bits[] = {
        {P::ReadOwner, u'r'}, {P::WriteOwner, u'w'}, {P::ExeOwner, u'x'},
        {P::ReadGroup, u'r'}, {P::WriteGroup, u'w'}, {P::ExeGroup, u'x'},
        {P::ReadOther, u'r'}, {P::WriteOther, u'w'}, {P::ExeOther, u'x'}};
    QString text;
    for (const auto &[bit, letter] : bits)
        text += permissions.testFlag(bit) ? QChar(letter) : QChar(u'-');
    return text;
}

const Rule *firstRule(const Rules &rules, const UsbId &id, bool Rule::*what)
{
    for (const Rule &rule : rules.lines) {
        if (rule.id == id && rule.*what && (what != &Rule::uaccess || rule.file < SeatRules))
            return &rule;
    }
    return nullptr;
}

Finding ok(Check check, const QString &text)
{
    return {check, Severity::Ok, text, {}};
}

Finding accessFinding(const System &system, const QString &device, const UserIdentity &user,
                      const Rule *uaccess)
{
    const QFileInfo node(system.path(device));
    const QFileDevice::Permissions mode = node.permissions();
    const QFileDevice::Permissions readWrite[] = {QFileDevice::ReadOwner | QFileDevice::WriteOwner,
                                                  QFileDevice::ReadGroup | QFileDevice::WriteGroup,
                                                  QFileDevice::ReadOther | QFileDevice::WriteOther};
    const QList<Group> groups = system.groups();
    QString groupName;
    for (const Group &group : groups) {
        if (group.gid == node.groupId())
            groupName = group.name;
    }
    // As the kernel decides: the owner's bits for the owner, else the group's for its members.
    const bool isOwner = node.ownerId() == user.uid;
    const bool inGroup = !isOwner && user.groupIds.contains(node.groupId());
    const QFileDevice::Permissions needed = readWrite[isOwner ? 0 : inGroup ? 1 : 2];
    const QString seated =
        uaccess
            ? u"the udev rule %1 gives it to the user seated at this computer"_s.arg(uaccess->file)
            : QString();
    if (user.uid == 0 || (mode & needed) == needed) {
        QString text = u"%1 may read and write %2"_s.arg(user.name, device);
        if (inGroup)
            text += u" as a member of %1"_s.arg(groupName);
        if (uaccess)
            text += u"; "_s + seated;
        return ok(Check::Access, text);
    }

    const QString cannot =
        u"%1 may not read and write %2 (%3)"_s.arg(user.name, device, modeText(mode));
    const QString group = serialGroup(groupName);
    if (isOwner) {
        return {Check::Access, Severity::Blocks,
                cannot + u": %1 owns it, and its owner may not"_s.arg(user.name),
                u"sudo chmod u+rw %1"_s.arg(device)};
    }
    if (uaccess) {
        return {Check::Access, Severity::Advice,
                cannot + u"; "_s + seated + u", not to a remote login"_s,
                joinGroupCommand(user.name, group)};
    }
    if ((mode & readWrite[1]) != readWrite[1]) {
        return {Check::Access, Severity::Blocks, cannot + u": no group may, either"_s,
                u"sudo setfacl -m u:%1:rw %2"_s.arg(user.name, device)};
    }
    for (const Group &entry : groups) {
        if (entry.gid == node.groupId() && entry.members.contains(user.name)) {
            return {Check::Access, Severity::Blocks,
                    cannot + u": %1 joined %2 after logging in; log out and in again, or "
                             "start a shell that has the group"_s.arg(user.name, group),
                    u"newgrp %1"_s.arg(group)};
        }
    }
    return {Check::Access, Severity::Blocks,
            cannot + u": it is open to the group %1, and %2 is not in it"_s.arg(group, user.name),
            joinGroupCommand(user.name, group)};
}

Finding brlttyFinding(const Rules &rules, const QList<UsbId> &ids, bool ofThePort)
{
    const auto isBrltty = [](const QString &file) {
        return file.contains(u"brltty"_s);
    };
    for (const Rule &rule : rules.lines) {
        if (isBrltty(rule.file) && ids.contains(rule.id)) {
            return {Check::Brltty, Severity::Blocks,
                    u"brltty's udev rule %1 claims %2 for a braille display and takes the "
                    "converter from its serial driver"_s.arg(rule.file, rule.id.text()),
                    u"sudo apt remove brltty"_s};
        }
    }
    if (std::any_of(rules.files.cbegin(), rules.files.cend(), isBrltty)) {
        return ok(Check::Brltty, ofThePort ? u"no brltty rule claims %1"_s.arg(ids.value(0).text())
                                           : u"no brltty rule claims a USB device here"_s);
    }
    if (std::any_of(rules.switchedOff.cbegin(), rules.switchedOff.cend(), isBrltty))
        return ok(Check::Brltty, u"brltty's udev rule is switched off"_s);
    return ok(Check::Brltty, u"brltty is not installed"_s);
}

Finding modemManagerFinding(const System &system, const Rules &rules, const UsbId &id)
{
    if (!system.runs(u"ModemManager"_s))
        return ok(Check::ModemManager, u"ModemManager is not running"_s);
    if (const Rule *rule = firstRule(rules, id, &Rule::ignoredByModemManager)) {
        return ok(Check::ModemManager,
                  u"ModemManager runs and leaves %1 alone (%2)"_s.arg(id.text(), rule->file));
    }
    return {Check::ModemManager, Severity::Blocks,
            u"ModemManager runs and no udev rule keeps it off %1: its modem probes upset the "
            "station's boot loader"_s.arg(id.text()),
            u"sudo systemctl stop ModemManager"_s};
}

Finding holdersFinding(const System &system, const QString &device, const UserIdentity &user)
{
    const QList<PortHolder> holders = portHolders(system.path(device), system.path(u"/proc"_s));
    if (holders.isEmpty())
        return ok(Check::Holders, u"no other program has %1 open"_s.arg(device));
    QStringList pids;
    bool others = false; // a process of another user is only ended by root
    for (const PortHolder &holder : holders) {
        pids.append(QString::number(holder.pid));
        const QFileInfo process(system.path(u"/proc/%1"_s.arg(holder.pid)));
        others = others || (user.uid != 0 && process.ownerId() != user.uid);
    }
    return {Check::Holders, Severity::Blocks, portInUseText(device, holders),
            (others ? u"sudo kill "_s : u"kill "_s) + pids.join(u' ')};
}

// The report fits a terminal as the tool's help does; a text goes on below its first line.
constexpr qsizetype ReportWidth = 79;
const QString Indent = QString(10, u' ');

QStringList wrapped(const QString &prefix, const QString &text)
{
    QStringList lines{prefix}; // as wide as the indent
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (lines.last().size() > Indent.size() &&
            lines.last().size() + 1 + word.size() > ReportWidth)
            lines.append(Indent);
        QString &line = lines.last();
        if (line.size() > Indent.size())
            line += u' ';
        line += word;
    }
    return lines;
}

} // namespace

bool PortCheck::blocks() const
{
    return std::any_of(findings.cbegin(), findings.cend(),
                       [](const Finding &f) { return f.severity == Severity::Blocks; });
}

QString systemRoot()
{
    const QString root = qEnvironmentVariable(qPrintable(RootVariable));
    return root.isEmpty() ? u"/"_s : root;
}

PortCheck checkPort(const QString &portName, const QString &root, const UserIdentity &user)
{
    const System system(root);
    PortCheck check{portName, PortNames::devicePath(portName), {}, {}};
    if (check.device.isEmpty()) {
        check.findings.append(
            {Check::Device, Severity::Blocks, u"no port is chosen"_s, u"korvant-cli ports"_s});
        return check;
    }
    const Rules rules = system.rules();
    const QFileInfo node(system.path(check.device));
    if (!node.exists()) {
        check.findings.append(
            {Check::Device, Severity::Blocks,
             u"%1 does not exist: the converter is unplugged, or the port has another name"_s.arg(
                 check.device),
             u"korvant-cli ports"_s});
        // A converter that brltty took has no port left, but is still on the bus.
        check.findings.append(brlttyFinding(rules, system.usbDevices(), false));
        return check;
    }
    check.findings.append(ok(Check::Device, u"%1 is there"_s.arg(check.device)));

    // Named as the kernel names it, also when reached through a link such as /dev/serial/by-id.
    const QString tty = QFileInfo(node.canonicalFilePath()).fileName();
    const std::optional<UsbId> usb = system.usbIdOf(tty);
    if (usb)
        check.usbId = usb->text();
    check.findings.append(accessFinding(system, check.device, user,
                                        usb ? firstRule(rules, *usb, &Rule::uaccess) : nullptr));
    if (usb) {
        check.findings.append(brlttyFinding(rules, {*usb}, true));
        check.findings.append(modemManagerFinding(system, rules, *usb));
    }
    check.findings.append(holdersFinding(system, check.device, user));
    if (const std::optional<int> ms = LowLatency::latencyTimerMs(tty, system.path(u"/sys"_s))) {
        const QString timer = u"/sys/bus/usb-serial/devices/%1/latency_timer"_s.arg(tty);
        if (*ms <= 1) {
            check.findings.append(
                ok(Check::Latency, u"the converter's latency timer is %1 ms"_s.arg(*ms)));
        } else {
            check.findings.append(
                {Check::Latency, Severity::Advice,
                 u"the converter's latency timer is %1 ms: it holds received bytes that long "
                 "unless a program asks for low latency, as this one does while connected"_s.arg(
                     *ms),
                 u"echo 1 | sudo tee "_s + timer});
        }
    }
    return check;
}

QStringList report(const PortCheck &check)
{
    QStringList details;
    if (!check.device.isEmpty() && check.device != check.port)
        details.append(check.device);
    if (!check.usbId.isEmpty())
        details.append(u"USB "_s + check.usbId);
    QStringList lines{details.isEmpty() ? check.port
                                        : u"%1 (%2)"_s.arg(check.port, details.join(u", "_s))};
    int blocking = 0;
    for (const Finding &finding : check.findings) {
        static const QString words[] = {u"ok"_s, u"advice"_s, u"blocks"_s};
        lines += wrapped(u"  "_s + words[int(finding.severity)].leftJustified(8), finding.text);
        if (!finding.fix.isEmpty())
            lines.append(Indent + u"fix: "_s + finding.fix); // whole, to be copied
        blocking += finding.severity == Severity::Blocks ? 1 : 0;
    }
    const QString name = check.port.isEmpty() ? u"the port"_s : check.port;
    if (blocking == 0)
        lines.append(u"Nothing blocks %1."_s.arg(name));
    else
        lines.append(u"%1 %2 %3."_s.arg(blocking).arg(
            blocking == 1 ? u"finding blocks"_s : u"findings block"_s, name));
    return lines;
}

QStringList blockingLines(const PortCheck &check, const QList<Check> &leaveOut)
{
    QStringList lines;
    for (const Finding &finding : check.findings) {
        if (finding.severity == Severity::Blocks && !leaveOut.contains(finding.check))
            lines << finding.text << u"Fix: "_s + finding.fix;
    }
    return lines;
}

} // namespace PortDoctor
