// The exported stream entries of "SPI1:".
#include "drivers/spi/spi_driver.h"

STREAM_DRIVER_ENTRIES(SPI, spi::SpiDriver::instance())
