// Scripted answers for the dialog service.
#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace testing_support {

ScriptedDialogs::ScriptedDialogs() {
    platform::ui::SetDialogHook([this](const DialogRequest& request) { return Take(request); });
}

ScriptedDialogs::~ScriptedDialogs() {
    InstallRefusingHook();
    EXPECT_TRUE(script_.empty()) << script_.size() << " scripted answer(s) were never asked for";
}

void ScriptedDialogs::Answer(DialogAnswer answer) {
    script_.push_back([answer](const DialogRequest&) { return answer; });
}

void ScriptedDialogs::Act(std::function<int(QWidget*)> action) {
    script_.push_back([action](const DialogRequest& request) {
        DialogAnswer answer;
        answer.modalResult = action(request.window);
        answer.accepted = true;
        return answer;
    });
}

void ScriptedDialogs::Browse(
    std::function<std::optional<std::string>(ScriptedFolderBrowser&)> action) {
    script_.push_back([action](const DialogRequest& request) {
        ScriptedFolderBrowser browser(request.folder);
        if (request.folder.shown)
            request.folder.shown(browser);
        const auto chosen = action(browser);
        return DialogAnswer{.accepted = chosen.has_value(),
                            .text = QString::fromStdString(chosen.value_or(""))};
    });
}

void ScriptedDialogs::AnswerFolder(const std::string& folder) {
    Browse([folder](ScriptedFolderBrowser& browser) {
        browser.SelectFolder(folder);
        return std::optional(folder);
    });
}

void ScriptedFolderBrowser::SelectFolder(const std::string& path) {
    selections.push_back(path);
    if (options_.selectionChanged)
        options_.selectionChanged(path);
}

void ScriptedDialogs::Respond(std::function<DialogAnswer(const DialogRequest&)> respond) {
    script_.push_back(std::move(respond));
}

QStringList ScriptedDialogs::Messages() const {
    QStringList texts;
    for (const auto& dialog : shown_)
        if (dialog.kind == DialogKind::Message || dialog.kind == DialogKind::Error)
            texts << dialog.text;
    return texts;
}

DialogAnswer ScriptedDialogs::Take(const DialogRequest& request) {
    shown_.push_back({request.kind, request.caption, request.text});
    if (request.kind == DialogKind::Message || request.kind == DialogKind::Error)
        return {.accepted = true};
    if (script_.empty()) {
        ADD_FAILURE() << "unscripted dialog: " << request.caption.toStdString() << ": "
                      << request.text.toStdString();
        return {};
    }
    auto next = std::move(script_.front());
    script_.pop_front();
    return next(request);
}

void ScriptedDialogs::InstallRefusingHook() {
    platform::ui::SetDialogHook([](const DialogRequest& request) {
        ADD_FAILURE() << "a dialog appeared outside a script: " << request.caption.toStdString()
                      << ": " << request.text.toStdString();
        return DialogAnswer{};
    });
}

} // namespace testing_support
