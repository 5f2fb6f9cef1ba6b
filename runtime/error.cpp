#include "runtime/error.h"

#include "runtime/text.h"

namespace tessaly::runtime {

namespace {

std::u16string errorMessage(ErrorKind kind, FpCause cause) {
    switch (kind) {
        case ErrorKind::Overflow:
            return u"数值溢出！";
        case ErrorKind::OutOfBounds:
            return u"下标越界！";
        case ErrorKind::NotANumber:
            return u"类型不匹配！";
        case ErrorKind::FloatingPoint:
            switch (cause) {
                case FpCause::DivisionByZero:
                    return u"除数不能为零！";
                case FpCause::InvalidOperation:
                    return u"计算结果无效！";
                case FpCause::Overflow:
                    return u"计算结果超出范围！";
                case FpCause::None:
                    break;
            }
            return u"浮点运算错误！";
    }
    return u"运行错误！";
}

}  // namespace

Error::Error(ErrorKind kind, FpCause cause)
    : kind_(kind),
      cause_(kind == ErrorKind::FloatingPoint ? cause : FpCause::None),
      message_(errorMessage(kind_, cause_)),
      utf8_(toUtf8(message_)) {}

}  // namespace tessaly::runtime
