; General ledger: the accounts' dynamic link library
TARGET=LEDGER.DLL
BUILD-SECONDS=2
