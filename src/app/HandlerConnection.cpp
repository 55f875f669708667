#include "app/HandlerConnection.h"
#include "app/TVeldrisApplication.h"

#include <exception>

void runHandler(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        showException(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        showException(QString());
    }
}
