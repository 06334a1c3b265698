#include "Trap.h"

#include "core/RuntimeError.h"

#include <new>

namespace quorrel {

QString TrapMessage(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const RuntimeError& e) {
        return QString::fromStdString(e.Message());
    } catch (const std::bad_alloc&) {
        return QStringLiteral("7 Out of memory");
    } catch (const std::exception& e) {
        return QStringLiteral("51 Internal error: ") + QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("51 Internal error");
    }
}

} // namespace quorrel
