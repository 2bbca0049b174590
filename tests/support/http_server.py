#!/usr/bin/env python3
"""The tests' HTTP server on 127.0.0.1: HTTP/1.1 with kept-alive connections, over plain
http or TLS. It serves a folder (IIIF trees, Deep Zoom and Zoomify pyramids, manifests,
pictures) and, on its routes, the library's search service and scripted misbehaviours.
Prints "PORT <n>" once listening, then one line "REQ <client port> <path> <user agent>"
per request.

  --root DIR               folder served; a path is first the name of a file as it stands
                           (IIIF paths hold commas, and may hold a query that is part of
                           the name), then the same without its query
  --tls CERT KEY           serve https with this certificate and key
  --status SUBSTR=CODE[:N] answer CODE to the first N requests (all when N is absent)
                           whose path contains SUBSTR
  --retry-after VALUE      Retry-After header sent with 429 and 503 answers
  --close-each             close the connection after every answer, without announcing it
  --redirect FROM=TO       answer 301 to paths that begin with FROM, sending them to TO
                           followed by the rest of the path
  --records FILE           the search service at any path ending in /SRU: answers of SRU 1.2
                           (searchRetrieve) paged by startRecord and maximumRecords (at most
                           50), made from a JSON list of documents: ark, title, creators,
                           date, views, types, series (an ark ending in /date), plain_extra
                           (extraRecordData children without a namespace), http (identifier
                           in http://); a path ending in .thumbnail gets DIR/thumbnail.jpg
  --repeat N               the list repeated up to N documents (arks numbered), for long answers

Words of a search query choose a behaviour: "rienrien" no document, "erreurcql" a diagnostic,
"verifsecu" the challenge page answered 200, "interdit" a 403, "lentement" an answer that
never comes (the connection stays open).
"""
import argparse
import http.server
import json
import os
import ssl
import threading
import time
import urllib.parse
from xml.sax.saxutils import escape

args = None
lock = threading.Lock()
scripted = []  # [substring, code, remaining or None]
documents = None  # the search service's documents, None when it is off


# The search service.

def record_xml(d, position):
    ark = d["ark"] + ("/date" if d.get("series") else "")
    scheme = "http" if d.get("http") else "https"
    ident = "%s://gallica.bnf.fr/ark:/12148/%s" % (scheme, ark)
    dc = ['<dc:title>%s</dc:title>' % escape(d["title"])]
    dc += ['<dc:title>%s (autre titre)</dc:title>' % escape(d["title"])]
    dc += ['<dc:creator>%s</dc:creator>' % escape(c) for c in d.get("creators", [])]
    if d.get("date"):
        dc.append('<dc:date>%s</dc:date>' % escape(d["date"]))
    for t in d.get("types", ["carte", "map"]):
        dc.append('<dc:type xml:lang="fre">%s</dc:type>' % escape(t))
    if d.get("views"):
        dc.append('<dc:format>Nombre total de vues : %d</dc:format>' % d["views"])
    dc.append('<dc:format>image/jpeg</dc:format>')
    dc.append('<dc:identifier>%s</dc:identifier>' % ident)
    dc.append('<dc:identifier>ISBN sans rapport</dc:identifier>')
    thumb = "https://gallica.bnf.fr/ark:/12148/%s.thumbnail" % d["ark"]
    if d.get("plain_extra"):
        extra = ('<srw:extraRecordData><link>%s</link><thumbnail>%s</thumbnail><typedoc>carte</typedoc>'
                 '<uri>%s</uri></srw:extraRecordData>' % (ident, thumb, d["ark"]))
    else:
        extra = ('<srw:extraRecordData><link xmlns="http://gallica.bnf.fr/namespaces/gallica/">%s</link>'
                 '<thumbnail xmlns="http://gallica.bnf.fr/namespaces/gallica/">%s</thumbnail>'
                 '<typedoc xmlns="http://gallica.bnf.fr/namespaces/gallica/">carte</typedoc>'
                 '</srw:extraRecordData>' % (ident, thumb))
    return ('<srw:record><srw:recordSchema>http://www.openarchives.org/OAI/2.0/oai_dc/</srw:recordSchema>'
            '<srw:recordPacking>xml</srw:recordPacking><srw:recordData>'
            '<oai_dc:dc xmlns:oai_dc="http://www.openarchives.org/OAI/2.0/oai_dc/" '
            'xmlns:dc="http://purl.org/dc/elements/1.1/">%s</oai_dc:dc></srw:recordData>'
            '<srw:recordPosition>%d</srw:recordPosition>%s</srw:record>' % ("".join(dc), position, extra))


def search_answer(query, start, maximum):
    head = ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<srw:searchRetrieveResponse xmlns:srw="http://www.loc.gov/zing/srw/">'
            '<srw:version>1.2</srw:version>')
    if "erreurcql" in query:
        return head + ('<srw:numberOfRecords>0</srw:numberOfRecords><srw:diagnostics>'
                       '<diag:diagnostic xmlns:diag="http://www.loc.gov/zing/srw/diagnostic/">'
                       '<diag:uri>info:srw/diagnostic/1/10</diag:uri>'
                       '<diag:message>Query syntax error</diag:message></diag:diagnostic>'
                       '</srw:diagnostics></srw:searchRetrieveResponse>')
    found = [] if "rienrien" in query else [
        d for d in documents if 'dc.type all "carte"' not in query or "carte" in d.get("types", ["carte"])]
    maximum = max(0, min(maximum, 50))
    page = found[start - 1:start - 1 + maximum]
    body = head + '<srw:numberOfRecords>%d</srw:numberOfRecords><srw:records>' % len(found)
    body += "".join(record_xml(d, start + i) for i, d in enumerate(page))
    body += '</srw:records>'
    if start - 1 + len(page) < len(found):
        body += '<srw:nextRecordPosition>%d</srw:nextRecordPosition>' % (start + len(page))
    return body + '</srw:searchRetrieveResponse>'


CHALLENGE = ('<!DOCTYPE html><html lang="fr"><head><meta charset="utf-8"><title>Vérification de sécurité'
             '</title></head><body><p>Un instant...</p></body></html>').encode("utf-8")


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def __init__(self, *a, **kw):
        super().__init__(*a, directory=args.root, **kw)

    def log_message(self, *a):
        pass

    def translate_path(self, path):
        path = urllib.parse.unquote(path.split('#', 1)[0])
        if documents is not None and path.split('?', 1)[0].endswith(".thumbnail"):
            return os.path.join(args.root, "thumbnail.jpg")
        whole = os.path.join(args.root, path.lstrip('/'))
        if '?' in path and not os.path.exists(whole):
            return os.path.join(args.root, path.split('?', 1)[0].lstrip('/'))
        return whole

    def guess_type(self, path):
        if path.endswith(".json"):
            return "application/json"
        return super().guess_type(path)

    def send(self, code, body, kind, headers=()):
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        with lock:
            print("REQ %d %s %s" % (self.client_address[1], self.path, self.headers.get("User-Agent", "-")),
                  flush=True)
            code = None
            for entry in scripted:
                if entry[0] in self.path and (entry[2] is None or entry[2] > 0):
                    code = entry[1]
                    if entry[2] is not None:
                        entry[2] -= 1
                    break
        moved = next((to + self.path[len(src):] for src, to in args.redirect_pairs
                      if self.path.startswith(src)), None)
        if moved is not None:
            self.send_response(301)
            self.send_header("Location", moved)
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif code is not None:
            retry = [("Retry-After", args.retry_after)] if code in (429, 503) and args.retry_after is not None else []
            self.send(code, b"<html><body>scripted</body></html>", "text/html", retry)
        elif documents is not None and urllib.parse.urlsplit(self.path).path.endswith("/SRU"):
            self.search()
        else:
            super().do_GET()
        if args.close_each:
            self.wfile.flush()
            self.close_connection = True

    def search(self):
        q = urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query)
        query = q.get("query", [""])[0]
        if "lentement" in query:
            time.sleep(60)
            return
        if "interdit" in query:
            return self.send(403, b"<html><body>Forbidden</body></html>", "text/html")
        if "verifsecu" in query:
            return self.send(200, CHALLENGE, "text/html; charset=utf-8")
        if q.get("operation", [""])[0] != "searchRetrieve" or q.get("version", [""])[0] != "1.2":
            return self.send(400, b"bad request", "text/plain")
        start = int(q.get("startRecord", ["1"])[0])
        maximum = int(q.get("maximumRecords", ["15"])[0])
        self.send(200, search_answer(query, start, maximum).encode("utf-8"), "text/xml; charset=utf-8")


def main():
    global args, documents
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--tls", nargs=2)
    parser.add_argument("--status", action="append", default=[])
    parser.add_argument("--retry-after")
    parser.add_argument("--close-each", action="store_true")
    parser.add_argument("--bind", default="127.0.0.1")
    parser.add_argument("--redirect", action="append", default=[])
    parser.add_argument("--records")
    parser.add_argument("--repeat", type=int, default=0)
    args = parser.parse_args()
    args.redirect_pairs = [tuple(r.split("=", 1)) for r in args.redirect]
    for s in args.status:
        sub, _, rest = s.rpartition("=")
        code, _, count = rest.partition(":")
        scripted.append([sub, int(code), int(count) if count else None])
    if args.records:
        with open(args.records, encoding="utf-8") as f:
            documents = json.load(f)
        if args.repeat:
            base = documents
            documents = [dict(base[i % len(base)], ark="%s%04d" % (base[i % len(base)]["ark"], i))
                         for i in range(args.repeat)]
    server = http.server.ThreadingHTTPServer((args.bind, 0), Handler)
    server.daemon_threads = True
    if args.tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls[0], args.tls[1])
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print("PORT %d" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
