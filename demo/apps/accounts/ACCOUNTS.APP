; The accounting program, built on the ledger and the journal
TARGET=ACCOUNTS.EXE
BUILD-SECONDS=3
