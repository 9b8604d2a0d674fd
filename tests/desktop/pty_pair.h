// PtyPair: a pseudo-terminal whose slave side stands in for a serial port that opens. The test
// keeps the master side open (and may read what was sent); both close with the object.
#pragma once

#include <string>

namespace q7310::test {

class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool Ok() const { return m_master >= 0; }
  const std::string& SlavePath() const { return m_slavePath; }

 private:
  int m_master = -1;
  std::string m_slavePath;
};

}  // namespace q7310::test
