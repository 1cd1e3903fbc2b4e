#include "ScriptedDialogs.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

namespace tarvex::testing {

namespace {

// The window asks its questions and shows its messages on its own thread, never on a run's.
void expectWindowThread(const char* call) {
    if (QThread::currentThread() != QCoreApplication::instance()->thread())
        ADD_FAILURE() << call << " called off the window's thread";
}

} // namespace

void ScriptedDialogs::message(QWidget*, const QString& caption, const QString& text) {
    expectWindowThread("message");
    messages.push_back({caption, text});
}

bool ScriptedDialogs::question(QWidget*, const QString& text) {
    expectWindowThread("question");
    questions.push_back(text);
    return script.nextAnswer(text.toStdString());
}

std::optional<QString> ScriptedDialogs::passwordAgain(QWidget*, const QString&,
                                                      const QString& text) {
    expectWindowThread("passwordAgain");
    passwordQuestions.push_back(text);
    if (declinePasswordAgain)
        return std::nullopt;
    if (!passwordTypedAgain) {
        ADD_FAILURE() << "unexpected question for the password: " << text.toStdString();
        return std::nullopt;
    }
    return passwordTypedAgain;
}

std::optional<QString> ScriptedDialogs::passphrase(QWidget*, const QString&, const QString& text) {
    passphrasePrompts.push_back(text);
    if (passphrases.empty()) {
        ADD_FAILURE() << "unexpected question for a passphrase: " << text.toStdString();
        return std::nullopt;
    }
    const bool cancelled = !passphrases.front();
    const QString answer = passphrases.front().value_or(QString());
    passphrases.pop_front();
    if (cancelled)
        return std::nullopt;
    return answer;
}

QString ScriptedDialogs::saveFile(QWidget*, const QString&, const QString& suggested) {
    suggestedSaves.push_back(suggested);
    const std::vector<std::string> chosen = script.nextFiles();
    return chosen.empty() ? QString() : QString::fromStdString(chosen.front());
}

QString ScriptedDialogs::chooseFolder(QWidget*, const QString&, const QString&) {
    const std::vector<std::string> chosen = script.nextFiles();
    return chosen.empty() ? QString() : QString::fromStdString(chosen.front());
}

QStringList ScriptedDialogs::openFiles(QWidget*, const OpenFilesDialogOptions& options) {
    dialogs.push_back(options);
    QStringList paths;
    for (const std::string& path : script.nextFiles())
        paths.append(QString::fromStdString(path));
    return paths;
}

void ScriptedDialogs::openPage(QWidget*, const QUrl& url) {
    opened.push_back(url);
}

void ScriptedDialogs::openFolder(const QUrl& folder, std::function<void()> failed) {
    opened.push_back(folder);
    if (noFileManager)
        failed();
}

std::vector<QString> ScriptedDialogs::messageTexts() const {
    std::vector<QString> texts;
    for (const Message& shown : messages)
        texts.push_back(shown.text);
    return texts;
}

} // namespace tarvex::testing
