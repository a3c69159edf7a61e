// The exported stream entries of "BIO1:".
#include "drivers/bio/bio_driver.h"

STREAM_DRIVER_ENTRIES(BIO, bio::BioDriver::instance())
