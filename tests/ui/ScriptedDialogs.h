#pragma once

#include "QtPrinting.h"
#include "desktop/Dialogs.h"
#include "support/ScriptedAnswers.h"

#include <QString>
#include <QUrl>
#include <deque>
#include <optional>
#include <vector>

namespace tarvex::testing {

// The window's dialogs for tests: questions and file dialogs are answered from `script` (an
// unexpected one fails the test), and every message, question, dialog and launch is recorded. A
// message or question that does not come on the window's thread fails the test.
class ScriptedDialogs : public Dialogs {
public:
    ScriptedAnswers script;

    struct Message {
        QString caption;
        QString text;
    };
    std::vector<Message> messages;
    std::vector<QString> questions;
    std::vector<OpenFilesDialogOptions> dialogs;
    std::vector<QUrl> opened;
    // The answer to the box that asks for the password once more: the window's own password
    // when unset; a declined box when `declinePasswordAgain`.
    std::optional<QString> passwordTypedAgain;
    bool declinePasswordAgain = false;
    std::vector<QString> passwordQuestions;
    // The answers to the passphrase box in order, nothing for Cancel; a box beyond them fails
    // the test. The prompts it showed.
    std::deque<std::optional<QString>> passphrases;
    std::vector<QString> passphrasePrompts;
    // The save dialog answers with the next file of `script`; the paths it suggested.
    std::vector<QString> suggestedSaves;

    void message(QWidget* parent, const QString& caption, const QString& text) override;
    bool question(QWidget* parent, const QString& text) override;
    std::optional<QString> passwordAgain(QWidget* parent, const QString& caption,
                                         const QString& text) override;
    std::optional<QString> passphrase(QWidget* parent, const QString& caption,
                                      const QString& text) override;
    QStringList openFiles(QWidget* parent, const OpenFilesDialogOptions& options) override;
    QString saveFile(QWidget* parent, const QString& caption, const QString& suggested) override;
    // The next folder chosen comes from the script's next file dialog, its first path.
    QString chooseFolder(QWidget* parent, const QString& caption, const QString& start) override;
    void openPage(QWidget* parent, const QUrl& url) override;
    // The desktop has no file manager when `noFileManager`.
    void openFolder(const QUrl& folder, std::function<void()> failed) override;
    bool noFileManager = false;

    // The texts of the messages, in order.
    std::vector<QString> messageTexts() const;
};

} // namespace tarvex::testing
