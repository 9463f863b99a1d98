#pragma once

#include <QStringList>
#include <memory>

class TEditProjectForm;
class THrvMainForm;
class TReplaceRuleForm;
class TWebDocForm;
class TWebPageForm;

// The program's five windows, each created once in this order and reused by
// every call: the main window, the project editor and its three entry dialogs.
struct THrvWindows {
    explicit THrvWindows(const QStringList& Arguments);
    ~THrvWindows();

    std::unique_ptr<THrvMainForm> MainForm;
    std::unique_ptr<TEditProjectForm> EditProjectForm;
    std::unique_ptr<TWebPageForm> WebPageForm;
    std::unique_ptr<TWebDocForm> WebDocForm;
    std::unique_ptr<TReplaceRuleForm> ReplaceRuleForm;
};
