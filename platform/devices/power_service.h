#pragma once
// The power manager's transitions, as the platform runs them for the
// instrument's I/O controller "SPI1:" and every active driver:
//   sleep  the controller is told first, then every driver powers down;
//   wake   every driver powers up, then the controller is reconfigured;
//   off    the controller's shut-down is armed and requested, which hands
//          it to the program (its SPI client ends it).
// Without "SPI1:" the drivers' entries still run; the result is false.
namespace plat::power {

bool sleep();
bool wake();
bool off();

}  // namespace plat::power
