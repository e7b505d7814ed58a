#pragma once

#include <memory>

namespace mervale {

class ProcessPlatform;
class SystemServices;
class TForm1;
class TForm14;
class TForm2;
class TInfoForm;

// The program's four windows, created hidden in their fixed order: the main window (which sets up
// the program's data), Donation, Options (its language list), About (which restores the settings).
// They live together until the set is destroyed.
class WindowSet {
 public:
  WindowSet(ProcessPlatform& platform, SystemServices& system);
  ~WindowSet();

  TForm1& Form1() { return *form1_; }
  TForm14& Form14() { return *form14_; }
  TForm2& Form2() { return *form2_; }
  TInfoForm& InfoForm() { return *infoForm_; }

 private:
  std::unique_ptr<TForm1> form1_;
  std::unique_ptr<TForm14> form14_;
  std::unique_ptr<TForm2> form2_;
  std::unique_ptr<TInfoForm> infoForm_;
};

}  // namespace mervale
