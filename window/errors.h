#pragma once
// An error that ends the handler it is raised in; the application shows its
// text followed by a full stop in a stop box.

#include <stdexcept>
#include <string>

namespace tarnik {

class Handler_Error : public std::runtime_error {
 public:
  explicit Handler_Error(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace tarnik
