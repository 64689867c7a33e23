#include "ui/application.h"

#include "ui/message_box.h"

#include <stdexcept>
#include <vector>

namespace gd {

Application& App() {
  static Application app;
  return app;
}

int Application::AddHook(MessageHook hook) {
  const int key = next_hook_++;
  hooks_.emplace(key, std::move(hook));
  return key;
}

void Application::RemoveHook(int key) { hooks_.erase(key); }

bool Application::OfferToHooks(WindowMessage& message) {
  // A hook may add or remove hooks while it runs: walk a copy.
  std::vector<MessageHook> hooks;
  for (const auto& [key, hook] : hooks_) hooks.push_back(hook);
  for (const auto& hook : hooks) {
    if (hook(message)) return true;
  }
  return false;
}

std::string ExceptionMessage(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error.";
  }
}

void Application::HandleException(std::exception_ptr error) {
  const std::string text = ExceptionMessage(error);
  try {
    if (exception_handler_) {
      exception_handler_(text);
    } else {
      ShowErrorMessage(text);
    }
  } catch (...) {
    // Reporting must not fail the window procedure that called us.
  }
}

}  // namespace gd
