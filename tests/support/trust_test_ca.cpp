// Adds the test certificate authority to the Root store of the Wine prefix the tests run in,
// so that the HTTPS engines can be tested with certificate checks switched on. It touches
// nothing outside that prefix: the host's own authorities are left alone.
// Usage: storvane_trust_ca.exe <DER certificate file>
#include <windows.h>
#include <shellapi.h>
#include <wincrypt.h>

#include <cstdio>
#include <vector>

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc != 2) {
    std::fprintf(stderr, "usage: storvane_trust_ca <certificate.der>\n");
    return 2;
  }
  HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot open the certificate file (%lu)\n", GetLastError());
    return 1;
  }
  std::vector<BYTE> der(GetFileSize(file, nullptr));
  DWORD got = 0;
  BOOL read_ok = ReadFile(file, der.data(), static_cast<DWORD>(der.size()), &got, nullptr);
  CloseHandle(file);
  if (!read_ok || got != der.size() || der.empty()) {
    std::fprintf(stderr, "cannot read the certificate file\n");
    return 1;
  }
  // The machine store: a user Root store would ask for confirmation on a real desktop.
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT");
  if (!store) {
    std::fprintf(stderr, "cannot open the Root store (%lu)\n", GetLastError());
    return 1;
  }
  BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                                CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  DWORD error = GetLastError();
  CertCloseStore(store, 0);
  if (!added) {
    std::fprintf(stderr, "cannot add the certificate (%lu)\n", error);
    return 1;
  }
  return 0;
}
