#include "bmpwriter.h"
