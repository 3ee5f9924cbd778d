#include "platform/file_system.hpp"
