#!/usr/bin/python3
"""A third-party JSON-RPC 2.0 client (Debian's python3-jsonrpclib-pelix),
with the library's defaults, against a running totem-server whose database
holds the demo chain: single calls, errors, a save with accents, a batch
with a notification in it through MultiCall, and a notification sent alone
followed by a call on the same proxy. (A notification alone is answered 204
No Content, which this library's transport reports as an error although
the call ran.) Prints one line per check and exits 1 at the first one that
fails.

    jsonrpclib_client.py http://127.0.0.1:PORT/rpc/Ksl80500.rdmParametrosToten
"""
import sys

from jsonrpclib import MultiCall, ProtocolError, ServerProxy
from jsonrpclib.jsonrpc import TransportError


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
proxy = ServerProxy(url)

result = proxy.getVerifPar("0001", "001")
check("a call answers its result", result["envelope"]["status"] == "ok")
check("the arguments come back", result["params"] == ["0001", "001"])
rows = proxy.getCarregaPar("0001", "001")["envelope"]["packet"]["rows"]
check("a register's record is one row", len(rows) == 1)
refusal = proxy.getVerifPar("9999", "999")["envelope"]
check("a refusal is a result with its code", refusal["code"] == "CAIXA_N")

check("an unknown method is error -32601", fault_code(lambda: proxy.dropTables()) == -32601)
check("wrong parameters are error -32602", fault_code(lambda: proxy.getVerifPar("0001")) == -32602)

message = "Promoção: pão de queijo à vontade"
saved = proxy.setUpdParametros("0001", "001", "3", "010", "S", "5", "20", "60", message,
                               "Mensagem adicional", "S", "N", "Digite seu código")
check("a save with accents is accepted", saved["envelope"]["status"] == "ok")
rows = proxy.getCarregaPar("0001", "001")["envelope"]["packet"]["rows"]
check("the accents come back as they were saved", message in rows[0])

batch = MultiCall(proxy)
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

try:
    proxy._notify.getFilial()
    status = None
except TransportError as error:
    status = error.errcode
check("a notification alone is answered 204", status == 204)
check("the next call on the same proxy is answered",
      proxy.getVerifPar("0001", "001")["envelope"]["status"] == "ok")
print("jsonrpclib: all checks passed")
