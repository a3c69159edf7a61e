// The exported stream entries of the I2C driver.
#include "drivers/i2c/i2c_driver.h"

STREAM_DRIVER_ENTRIES(I2C, i2c::I2cDriver::instance())
