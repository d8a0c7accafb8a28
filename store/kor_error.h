// Error classes of the store.
//
// Every failure of the store is raised as an exception that carries the German
// message the user sees; messages begin with the name of their unit ("KorMMF: ",
// "KorKeyFile: ", ...). `Exception` is the general class; the store's own classes
// derive from it so that a caller may catch either.
#pragma once

#include <stdexcept>
#include <string>

namespace korin {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

class EKorMMFError : public Exception {
public:
    using Exception::Exception;
};

class EKorKeyError : public Exception {
public:
    using Exception::Exception;
};

class EKorTabError : public Exception {
public:
    using Exception::Exception;
};

class EKorSysTabError : public Exception {
public:
    using Exception::Exception;
};

}  // namespace korin
