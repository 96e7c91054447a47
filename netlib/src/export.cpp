// The shared library ZMNTP: everything comes from the core library; only CZMNTP is exported.
#include "ZMNTP.h"
