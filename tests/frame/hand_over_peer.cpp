// A process that starts like the program does as far as the hand-over goes:
//   hand_over_peer ROOT FOLDER TEXT
// exits 0 after handing TEXT to the running instance; as the first instance it prints "first",
// then "got:<text>" for every text handed to it until its standard input closes; it exits 3
// when it could neither hand over nor listen.
#include "frame/instance_hand_over.h"

#include <iostream>
#include <mutex>

using namespace qev::frame;

int main(int argc, char *argv[]) {
  if (argc != 4)
    return 2;
  THandOverResult result = HandOver(HandOverPlaceOf(argv[1], argv[2]), argv[3]);
  if (result.handedOver)
    return 0;
  if (!result.listener) {
    std::cout << "error:" << result.error << std::endl;
    return 3;
  }
  std::mutex out;
  std::cout << "first" << std::endl;
  result.listener->Start([&out](std::string text) {
    std::lock_guard lock(out);
    std::cout << "got:" << text << std::endl;
  });
  std::string ignored;
  while (std::getline(std::cin, ignored)) {
  }
  return 0;
}
