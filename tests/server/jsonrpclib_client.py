#!/usr/bin/python3
"""A third-party JSON-RPC 2.0 client (Debian's python3-jsonrpclib-pelix)
against a running totem-server whose database holds the demo chain: single
calls, errors, and a batch with a notification in it through MultiCall.
(A notification sent alone is answered 204 No Content, which this library's
transport reports as an error although the call ran.) Prints one
line per check and exits 1 at the first one that fails.

    jsonrpclib_client.py http://127.0.0.1:PORT/rpc/Ksl80500.rdmParametrosToten
"""
import sys

from jsonrpclib import MultiCall, ProtocolError, ServerProxy
from jsonrpclib.config import Config


def check(what, condition):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        sys.exit(1)


def fault_code(call):
    try:
        call()
    except ProtocolError as error:
        return error.args[0][0]
    return None


url = sys.argv[1]
# The server takes exactly application/json; the library's default is
# application/json-rpc.
config = Config(version=2.0, content_type="application/json")
proxy = ServerProxy(url, config=config)

result = proxy.getVerifPar("0001", "001")
check("a call answers its result", result["envelope"]["status"] == "ok")
check("the arguments come back", result["params"] == ["0001", "001"])
rows = proxy.getCarregaPar("0001", "001")["envelope"]["packet"]["rows"]
check("a register's record is one row", len(rows) == 1)
refusal = proxy.getVerifPar("9999", "999")["envelope"]
check("a refusal is a result with its code", refusal["code"] == "CAIXA_N")

check("an unknown method is error -32601", fault_code(lambda: proxy.dropTables()) == -32601)
check("wrong parameters are error -32602", fault_code(lambda: proxy.getVerifPar("0001")) == -32602)

batch = MultiCall(proxy, config=config)
batch.getFilial()
batch.getVerifPar("0001", "999")
batch.dropTables()
batch._notify.getFilial()
answers = batch()
check("a batch answers each call but the notification, in order", len(answers) == 3)
check("the answers are the calls' own",
      answers[0]["envelope"]["packet"]["rows"][0][0] == "0001"
      and answers[1]["envelope"]["code"] == "CAIXA_N")
check("an error inside a batch is that call's", fault_code(lambda: answers[2]) == -32601)
print("jsonrpclib: all checks passed")
