#include "pictures/PictureFormats.h"

#include <QtPlugin>
#include <mutex>

// Made by moc for the plugin class built into this library.
extern const QStaticPlugin qt_static_plugin_HeifPlugin();

namespace tarvex::pictures {

void addPictureFormats() {
    static std::once_flag once;
    std::call_once(once, [] { qRegisterStaticPluginFunction(qt_static_plugin_HeifPlugin()); });
}

} // namespace tarvex::pictures
