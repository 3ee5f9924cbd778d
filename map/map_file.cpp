#include "map/map_file.hpp"
