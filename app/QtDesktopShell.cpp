// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtDesktopShell.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>

namespace nullsweep {

namespace {

// Program texts are UTF-8; paths are the file system's bytes.
QString text(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
QString pathText(const std::string& s) {
    return QFile::decodeName(QByteArray::fromStdString(s));
}
std::string pathBytes(const QString& s) {
    return QFile::encodeName(s).toStdString();
}

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::None:
        return QMessageBox::NoIcon;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

// Long enough for a file manager to be started on request.
constexpr int ShowFileTimeoutMs = 10000;

// The file's URI from its exact bytes, so a name that is not UTF-8 still names that file.
QString fileUri(const std::string& path) {
    return QStringLiteral("file://") +
           QString::fromLatin1(QByteArray::fromStdString(path).toPercentEncoding("/"));
}

} // namespace

void QtDesktopShell::ShowFile(const std::string& file, const std::string& folder) {
    const QUrl folderUrl = QUrl::fromLocalFile(pathText(folder));
    if (!bus_.isConnected()) {
        QDesktopServices::openUrl(folderUrl);
        return;
    }
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    request << QStringList{fileUri(file)} << QString();
    // Answered later: the window goes on meanwhile, and the folder opens only if no file
    // manager took the request.
    auto* answer = new QDBusPendingCallWatcher(bus_.asyncCall(request, ShowFileTimeoutMs));
    QObject::connect(answer, &QDBusPendingCallWatcher::finished, [answer, folderUrl] {
        if (answer->isError()) QDesktopServices::openUrl(folderUrl);
        answer->deleteLater();
    });
}

std::string QtDesktopShell::SelectFolder() {
    QString start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (start.isEmpty() || !QDir(start).exists()) start = QDir::homePath();
    const QString folder =
        QFileDialog::getExistingDirectory(owner_, QString(), start, QFileDialog::ShowDirsOnly);
    return folder.isEmpty() ? std::string() : pathBytes(folder);
}

void QtDesktopShell::OpenFolder(const std::string& folder) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(pathText(folder)));
}

void QtDesktopShell::OpenUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl(text(url), QUrl::StrictMode));
}

bool QtDesktopShell::AskYesNo(const std::string& question, const std::string& caption) {
    QMessageBox box(QMessageBox::Question, text(caption), text(question),
                    QMessageBox::Yes | QMessageBox::No, owner_);
    return box.exec() != QMessageBox::No;
}

void QtDesktopShell::ShowMessage(const std::string& message, const std::string& caption,
                                 MessageIcon icon) {
    QMessageBox box(boxIcon(icon), text(caption), text(message), QMessageBox::Ok, owner_);
    box.exec();
}

std::string QtDesktopShell::SaveFileName(const SaveFileRequest& request) {
    QFileDialog dialog(owner_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(text(request.defaultSuffix));
    if (!request.filter.empty()) dialog.setNameFilter(text(request.filter));
    if (!request.initialName.empty()) dialog.selectFile(pathText(request.initialName));
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? std::string() : pathBytes(files.first());
}

} // namespace nullsweep
