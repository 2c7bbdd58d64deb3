// The question box of the program. Core code asks and tells through this
// interface; the window program shows a real box, the command line prints and
// answers from its options, tests answer from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace zavlin {

class TMyDialog {
public:
    virtual ~TMyDialog() = default;
    // A question with the buttons "Да" and "Нет"; true for "Да".
    virtual bool MessageDlg(const std::string& Msg, const std::string& Caption) = 0;
    bool MessageInfDlg(const std::string& Msg) { return MessageDlg(Msg, "Информация"); }
    // Information with one OK button.
    virtual void MessageShow(const std::string& Msg) = 0;
};

// Prints to stderr and answers every question with a fixed answer.
class TConsoleDialog : public TMyDialog {
public:
    explicit TConsoleDialog(bool answer = false) : answer_(answer) {}
    bool MessageDlg(const std::string& Msg, const std::string& Caption) override;
    void MessageShow(const std::string& Msg) override;
    void setAnswer(bool answer) { answer_ = answer; }

private:
    bool answer_;
};

// Answers from a queue (then with the default answer) and records every text.
class TScriptedDialog : public TMyDialog {
public:
    explicit TScriptedDialog(bool defaultAnswer = false) : default_(defaultAnswer) {}
    bool MessageDlg(const std::string& Msg, const std::string& Caption) override;
    void MessageShow(const std::string& Msg) override { shown.push_back(Msg); }
    void queue(bool answer) { answers_.push_back(answer); }

    std::vector<std::string> asked;
    std::vector<std::string> shown;

private:
    std::deque<bool> answers_;
    bool default_;
};

}  // namespace zavlin
