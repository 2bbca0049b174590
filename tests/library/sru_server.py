#!/usr/bin/env python3
"""The library's search service as the tests need it, on 127.0.0.1: answers of SRU 1.2
(searchRetrieve) paged by startRecord and maximumRecords (at most 50), made from a list of
documents, and every other path served from a folder (the documents' IIIF trees, their small
pictures). Prints "PORT <n>" once listening, then "REQ <path>" per request.

  --root DIR        folder served
  --records FILE    JSON list of documents: ark, title, creators, date, views, types,
                    series (an ark ending in /date), plain_extra (extraRecordData children
                    without a namespace), http (identifier in http://)
  --repeat N        the list repeated up to N documents (arks numbered), for long answers

Words of the query choose a behaviour: "rienrien" no document, "erreurcql" a diagnostic,
"verifsecu" the challenge page answered 200, "interdit" a 403, "lentement" an answer that
never comes (the connection stays open).
"""
import argparse
import http.server
import json
import os
import socketserver
import sys
import threading
import time
import urllib.parse
from xml.sax.saxutils import escape

args = None
documents = []


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


def answer(query, start, maximum):
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
        path = urllib.parse.unquote(path.split('?', 1)[0].split('#', 1)[0])
        if path.endswith(".thumbnail"):
            return os.path.join(args.root, "thumbnail.jpg")
        return os.path.join(args.root, path.lstrip('/'))

    def send(self, code, body, kind):
        self.send_response(code)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        print("REQ %s %s" % (self.headers.get("User-Agent", "-"), self.path), flush=True)
        url = urllib.parse.urlsplit(self.path)
        if not url.path.endswith("/SRU"):
            return super().do_GET()
        q = urllib.parse.parse_qs(url.query)
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
        self.send(200, answer(query, start, maximum).encode("utf-8"), "text/xml; charset=utf-8")


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main():
    global args, documents
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--records", required=True)
    parser.add_argument("--repeat", type=int, default=0)
    args = parser.parse_args()
    with open(args.records, encoding="utf-8") as f:
        documents = json.load(f)
    if args.repeat:
        base = documents
        documents = [dict(base[i % len(base)], ark="%s%04d" % (base[i % len(base)]["ark"], i))
                     for i in range(args.repeat)]
    server = Server(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
