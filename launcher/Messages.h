// Message boxes as the logic asks for them: one function of the window layer shows them,
// so tests can read the text and script the answer.
#pragma once

#include <string>

#include "common/ProgramTitle.h"

namespace carrydeck {

// Styles and answers with the platform's values, so the adapter passes them through.
namespace mb {
constexpr int OK = 0x0;
constexpr int YesNoCancel = 0x3;
constexpr int YesNo = 0x4;
constexpr int CancelTryContinue = 0x6;
constexpr int IconStop = 0x10;
constexpr int IconQuestion = 0x20;
constexpr int IconExclamation = 0x30;
constexpr int IconInformation = 0x40;
constexpr int DefaultButton2 = 0x100;
constexpr int IdOk = 1;
constexpr int IdCancel = 2;
constexpr int IdYes = 6;
constexpr int IdNo = 7;
constexpr int IdTryAgain = 10;
constexpr int IdContinue = 11;
}  // namespace mb

class IMessages {
 public:
  virtual ~IMessages() = default;
  virtual int MsgBox(const std::string& text, int style, const std::string& title) = 0;
};

}  // namespace carrydeck
