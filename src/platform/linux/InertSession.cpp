#include "platform/linux/InertSession.h"
