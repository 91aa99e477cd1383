#include "Tests/Support/FakeFinalCut/FakeFinalCutModel.h"

#include "Catalogue/Reader/LibraryReader.h"
#include "Platform/Clock.h"
#include "Platform/Services.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace pellimor::test {

std::pair<int, int> fakeVersionKey(const QString& version) {
    const QStringList pieces = version.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    const auto number = [&](int at) { return at < pieces.size() ? pieces.at(at).toInt() : 0; };
    return {number(0), number(1)};
}

namespace {

QString bundleName(const QString& library) {
    QString name = QFileInfo(QDir::cleanPath(library)).fileName();
    if (name.endsWith(QLatin1String(".fcpbundle")))
        name.chop(int(qstrlen(".fcpbundle")));
    return name;
}

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

// Gives the file a modification time later than the one it has, even within one second.
void touch(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return;
    const QDateTime before = file.fileTime(QFileDevice::FileModificationTime);
    QDateTime at = QDateTime::currentDateTimeUtc();
    if (before.isValid() && at < before.addSecs(1))
        at = before.addSecs(1);
    file.setFileTime(at, QFileDevice::FileModificationTime);
}

} // namespace

FakeFinalCutModel::FakeFinalCutModel(FakeFinalCutScript script, QObject* parent)
    : QObject(parent), m_script(std::move(script)) {
    m_log.append(QStringLiteral("launch"));
}

FakeFinalCutModel::~FakeFinalCutModel() = default;

void FakeFinalCutModel::later(int ms, std::function<void()> then) {
    // A wait of an instance that quit meanwhile comes to nothing.
    platform::services().clock->after(std::chrono::milliseconds(ms), this,
                                      [this, life = m_life, then = std::move(then)] {
                                          if (life == m_life)
                                              then();
                                      });
}

int FakeFinalCutModel::add(const QString& role, std::optional<QString> title, std::optional<QString> value) {
    const int id = m_nextId++;
    m_elements.insert(id, Element{id, role, std::move(title), std::move(value), {}});
    return id;
}

void FakeFinalCutModel::open(const QString& library,
                             std::function<void(const std::optional<QString>&)> answer) {
    if (!m_running)
        return;
    m_log.append(QStringLiteral("open ") + library);
    if (m_script.openAnswer == FakeFinalCutScript::OpenAnswer::error) {
        const QString error = m_script.openError;
        later(m_script.openAnswerMs, [answer, error] { answer(error); });
        return;
    }
    if (m_script.openAnswer == FakeFinalCutScript::OpenAnswer::ok)
        later(m_script.openAnswerMs, [answer] { answer(std::nullopt); });
    m_libraries.append(library);
    const std::optional<QString> saved = LibraryReader::fcpVersion(library);
    if (saved ? fakeVersionKey(*saved) < fakeVersionKey(m_script.version) : m_script.promptUnknownVersion)
        later(m_script.promptDelayMs, [this, library] { showPrompt(library); });
}

void FakeFinalCutModel::showPrompt(const QString& library) {
    const QString name = m_script.promptName.value_or(bundleName(library));
    m_log.append(QStringLiteral("prompt ") + name);
    const QString text = m_script.promptText.value_or(
        QStringLiteral(
            "The library “%1” must be updated before it can be opened in this version of Final Cut Pro.")
            .arg(name));

    const int window = add(QStringLiteral("AXWindow"), QStringLiteral("Final Cut Pro"));
    int parent = window;
    const auto child = [&](int under, int id) {
        m_elements[under].children.append(id);
        m_windowOf.insert(id, window);
        return id;
    };
    for (int level = 0; level < m_script.extraDepth; ++level)
        parent = child(parent, add(QStringLiteral("AXGroup")));
    const int group = child(parent, add(QStringLiteral("AXGroup")));
    child(group, add(QStringLiteral("AXStaticText"), std::nullopt, text));
    const auto button = [&](const QString& title, std::function<void()> action) {
        if (m_script.omit == title)
            return;
        const int id = child(group, add(QStringLiteral("AXButton"), title));
        m_actions.insert(id, std::move(action));
    };
    button(QStringLiteral("Cancel"), [this, window] {
        m_log.append(QStringLiteral("press Cancel"));
        closeWindow(window);
    });
    button(QStringLiteral("Update"), [this, window, library] {
        m_log.append(QStringLiteral("press Update"));
        closeWindow(window);
        pressedUpdate(library);
    });
    // The filler is the window's last child, so a walk from the last child meets it first.
    if (m_script.filler > 0) {
        const int filler = child(window, add(QStringLiteral("AXGroup")));
        for (int i = 0; i < m_script.filler; ++i)
            child(filler, add(QStringLiteral("AXImage")));
    }
    m_windows.append(window);
}

void FakeFinalCutModel::pressedUpdate(const QString& library) {
    if (m_script.touchEveryMs > 0) {
        const QString database = QDir(library).filePath(QStringLiteral("CurrentVersion.flexolibrary"));
        for (int at = m_script.touchEveryMs; at <= m_script.touchForMs; at += m_script.touchEveryMs)
            later(at, [database] { touch(database); });
    }
    if (m_script.quitDuringUpdate) {
        later(m_script.updateMs / 2, [this] { end(QStringLiteral("quit during update")); });
        return;
    }
    if (m_script.neverUpdate)
        return;
    later(m_script.updateMs, [this, library] {
        writeNewVersion(library);
        if (m_script.dialogAfterUpdate)
            showAfterUpdateDialog();
    });
}

void FakeFinalCutModel::writeNewVersion(const QString& library) {
    const QString version = m_script.version;
    QSaveFile list(QDir(library).filePath(QStringLiteral("CurrentVersion.plist")));
    const QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                       "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                       "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                                       "<plist version=\"1.0\">\n<dict>\n\t<key>catalogVersion</key>\n"
                                       "\t<string>%1</string>\n</dict>\n</plist>\n")
                            .arg(escaped(QStringLiteral("Library; %1 (fake)").arg(version)));
    if (!list.open(QIODevice::WriteOnly) || list.write(xml.toUtf8()) < 0 || !list.commit()) {
        m_log.append(QStringLiteral("update failed ") + library);
        return;
    }
    touch(QDir(library).filePath(QStringLiteral("CurrentVersion.flexolibrary")));
    m_log.append(QStringLiteral("updated %1 to %2").arg(library, version));
}

void FakeFinalCutModel::showAfterUpdateDialog() {
    const int window = add(QStringLiteral("AXWindow"), QStringLiteral("Final Cut Pro"));
    const int text =
        add(QStringLiteral("AXStaticText"), std::nullopt, QStringLiteral("The library was updated."));
    const int ok = add(QStringLiteral("AXButton"), QStringLiteral("OK"));
    m_elements[window].children = {text, ok};
    m_windowOf.insert(text, window);
    m_windowOf.insert(ok, window);
    m_actions.insert(ok, [this, window] {
        m_log.append(QStringLiteral("press OK"));
        m_holdingDialog = false;
        closeWindow(window);
    });
    m_holdingDialog = true;
    m_windows.append(window);
}

void FakeFinalCutModel::closeWindow(int window) {
    m_windows.removeAll(window);
    QList<int> gone{window};
    while (!gone.isEmpty()) {
        const int id = gone.takeLast();
        gone.append(m_elements.value(id).children);
        m_elements.remove(id);
        m_actions.remove(id);
        m_windowOf.remove(id);
    }
}

std::optional<FakeFinalCutModel::Element> FakeFinalCutModel::element(int id) const {
    const auto found = m_elements.constFind(id);
    if (found == m_elements.cend())
        return std::nullopt;
    return *found;
}

int FakeFinalCutModel::press(int id) {
    if (!m_running || !m_actions.contains(id))
        return invalidElement;
    if (m_script.pressError != 0) {
        m_log.append(QStringLiteral("press failed ") + m_elements.value(id).title.value_or(QString()));
        return m_script.pressError;
    }
    // The action may close the window the button is in.
    const std::function<void()> action = m_actions.value(id);
    action();
    return 0;
}

void FakeFinalCutModel::requestQuit() {
    if (!m_running)
        return;
    m_log.append(QStringLiteral("quit request"));
    if (m_script.ignoreQuit || m_holdingDialog) {
        m_log.append(QStringLiteral("quit ignored"));
        return;
    }
    later(m_script.quitDelayMs, [this] { end(QStringLiteral("quit")); });
}

void FakeFinalCutModel::forceQuit() {
    if (m_running)
        end(QStringLiteral("forced quit"));
}

void FakeFinalCutModel::end(const QString& how) {
    if (!m_running)
        return;
    m_running = false;
    m_log.append(how);
    ++m_life;
    m_windows.clear();
    m_elements.clear();
    m_actions.clear();
    m_windowOf.clear();
    Q_EMIT ended();
}

} // namespace pellimor::test
